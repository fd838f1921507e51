#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>

#include <ostream>

namespace quillon::testing {

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

}  // namespace quillon::testing

// Lets GoogleTest print Qt strings in failure messages.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

inline void PrintTo(const QStringList& list, std::ostream* out)
{
    *out << '{';
    for (qsizetype index = 0; index < list.size(); ++index)
        *out << (index ? ", \"" : "\"") << list.at(index).toStdString() << '"';
    *out << '}';
}
