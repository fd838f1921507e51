#pragma once

#include "processrunner.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>

namespace quillon::testing {

// Everything a run handed to its log sink, piece by piece.
struct RecordedLog {
    QStringList pieces;

    LogSink sink()
    {
        return [this](const QString& text) { pieces.append(text); };
    }
    QString text() const { return pieces.join(QString()); }
};

inline Command shellCommand(const QString& script, const QString& workingFolder = {})
{
    return {.program = QStringLiteral("/bin/sh"),
            .arguments = {QStringLiteral("-c"), script},
            .workingFolder = workingFolder};
}

inline QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

inline void writeFile(const QString& path, const QByteArray& content,
                      QFile::Permissions permissions = QFile::ReadOwner | QFile::WriteOwner)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(content);
    file.close();
    file.setPermissions(permissions);
}

inline constexpr QFile::Permissions executable =
    QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;

}  // namespace quillon::testing
