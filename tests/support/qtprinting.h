#pragma once

// Lets GoogleTest print Qt strings in failure messages.
#include <QString>
#include <QStringList>

#include <ostream>

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
