#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

namespace quillon::testing {

// True while the process runs: neither gone nor ended and waiting to be collected (an orphan
// stays a zombie where nothing collects it, as in some containers).
inline bool ProcessRuns(int pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (pid <= 0 || !stat.open(QIODevice::ReadOnly))
        return false;
    const QByteArray line = stat.readAll();
    return line.mid(line.lastIndexOf(')') + 2, 1) != "Z";
}

}  // namespace quillon::testing
