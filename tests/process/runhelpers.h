#pragma once

#include "processrunner.h"
#include "testfiles.h"

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

inline constexpr QFile::Permissions executable =
    QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;

}  // namespace quillon::testing
