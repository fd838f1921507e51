#include "difftool.h"

#include <QCoreApplication>
#include <QFile>

namespace quillon {

DiffTool DiffTool::besideApplication()
{
    return DiffTool(QCoreApplication::applicationDirPath());
}

DiffTool::DiffTool(const QString& applicationFolder)
    : folder_(applicationFolder + QStringLiteral("/sdelta"))
{
}

QString DiffTool::program() const
{
    return folder_ + QStringLiteral("/setdelta");
}

QString DiffTool::resultDat() const
{
    return folder_ + QStringLiteral("/setdelta.dat");
}

QString DiffTool::reportLog() const
{
    return folder_ + QStringLiteral("/setdelta.log");
}

bool DiffTool::deleteOutputs() const
{
    QFile::remove(resultDat());
    QFile::remove(reportLog());
    return !QFile::exists(resultDat()) && !QFile::exists(reportLog());
}

Command DiffTool::command(const QString& switches, const QString& sourceDat,
                          const QString& compareDat) const
{
    QStringList arguments = switches.split(u' ', Qt::SkipEmptyParts);
    arguments << sourceDat << compareDat;
    return {.program = program(), .arguments = arguments, .workingFolder = folder_};
}

RunResult DiffTool::run(const QString& switches, const QString& sourceDat,
                        const QString& compareDat, const LogSink& appendLogText,
                        Prompter& prompter) const
{
    deleteOutputs();
    return RunRedirected(command(switches, sourceDat, compareDat), CaptureFilePath(),
                         appendLogText, prompter);
}

}  // namespace quillon
