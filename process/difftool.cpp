#include "difftool.h"

#include "runfolder.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace quillon {

namespace {

constexpr int maximumErrorLineLength = 2000;

// Passes the tool's output on to the log line by line, and keeps the line where the tool says
// why it failed.
class ToolOutput {
public:
    explicit ToolOutput(const LogSink& appendLogText) : appendLogText_(appendLogText) {}

    void receive(const QString& text)
    {
        pending_ += text;
        const qsizetype end = pending_.lastIndexOf(u'\n') + 1;
        if (end > 0) {
            pass(pending_.left(end));
            pending_.remove(0, end);
        }
    }

    void finish()
    {
        pass(pending_);
        pending_.clear();
    }

    const QString& errorLine() const { return errorLine_; }

private:
    void pass(const QString& text)
    {
        if (text.isEmpty())
            return;
        for (const QString& line : text.split(u'\n'))
            keepErrorLine(line.trimmed());
        appendLogText_(text);
    }

    // Only shown: the exit status decides whether the run failed. The tool's messages start
    // "setdelta: "; its warnings ("setdelta: warning:") say nothing about a failure, and the first
    // message is the one that says why.
    void keepErrorLine(const QString& line)
    {
        if (!errorLine_.isEmpty() || !line.startsWith(QLatin1String("setdelta: "))
            || line.startsWith(QLatin1String("setdelta: warning:")))
            return;
        errorLine_ = line.left(maximumErrorLineLength);
    }

    const LogSink& appendLogText_;
    QString pending_;
    QString errorLine_;
};

}  // namespace

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

Command DiffTool::command(const ToolJob& job) const
{
    QStringList arguments = job.switches.split(u' ', Qt::SkipEmptyParts);
    if (!job.reportFile.isEmpty())
        arguments << QStringLiteral("--json") << job.reportFile;
    if (!job.source.entry.isEmpty())
        arguments << QStringLiteral("--old-entry") << job.source.entry;
    if (!job.compare.entry.isEmpty())
        arguments << QStringLiteral("--new-entry") << job.compare.entry;
    arguments << job.source.path << job.compare.path;
    return {.program = program(), .arguments = arguments, .workingFolder = job.workingFolder};
}

ToolRun DiffTool::run(const ToolJob& job, const LogSink& appendLogText, Prompter& prompter,
                      const RunStop* stop) const
{
    ToolOutput output(appendLogText);
    ToolProgressChannel progress(job.progress);
    Command toolCommand = command(job);
    progress.addTo(toolCommand);
    const RunResult result = RunRedirected(toolCommand, CaptureFilePath(),
                                           [&output](const QString& text) { output.receive(text); },
                                           prompter, stop);
    progress.finish();
    output.finish();
    return {.result = result, .errorLine = output.errorLine()};
}

ToolEnd ToolEndOf(const ToolRun& run, const RunFolder& folder)
{
    const RunResult& result = run.result;
    if (!result.started)
        return ToolEnd::NotStarted;
    switch (result.exitCode) {
    case 0:
        return QFileInfo(folder.datFile()).isFile() ? ToolEnd::Done : ToolEnd::NoResult;
    case 1:
        return ToolEnd::Usage;
    case 2:
        return ToolEnd::Input;
    case 3:
        return ToolEnd::Output;
    default:
        return ToolEnd::Abnormal;
    }
}

QString ToolFailureReason(const ToolRun& run, const RunFolder& folder)
{
    const ToolEnd end = ToolEndOf(run, folder);
    if (end == ToolEnd::Done)
        return {};
    if (end == ToolEnd::NotStarted)
        return QStringLiteral("setdelta could not be started: ") + run.result.startFailure;
    if (!run.errorLine.isEmpty())
        return run.errorLine;
    switch (end) {
    case ToolEnd::Usage:
        return QStringLiteral("setdelta refused its arguments (exit status 1).");
    case ToolEnd::Input:
        return QStringLiteral("setdelta could not read a DAT (exit status 2).");
    case ToolEnd::Output:
        return QStringLiteral("setdelta could not write its result (exit status 3).");
    case ToolEnd::NoResult:
        return QStringLiteral("setdelta left no setdelta.dat.");
    default:
        return run.result.exitCode < 0 ? QStringLiteral("setdelta ended abnormally.")
                                       : QStringLiteral("setdelta ended with exit status %1.").arg(run.result.exitCode);
    }
}

}  // namespace quillon
