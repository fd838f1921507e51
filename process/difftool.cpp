#include "difftool.h"

#include "runfolder.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace quillon {

namespace {

constexpr int maximumErrorLineLength = 2000;

// Passes the tool's output on to the log line by line, naming each input as its job says, and
// keeps the line where the tool says why it failed.
class ToolOutput {
public:
    ToolOutput(const ToolJob& job, const LogSink& appendLogText) : appendLogText_(appendLogText)
    {
        for (const ToolInput& input : {job.source, job.compare})
            if (!input.archive.isEmpty())
                shownNames_.append({input.path, input.shownAs()});
    }

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
    void pass(QString text)
    {
        if (text.isEmpty())
            return;
        for (const auto& [path, shownAs] : shownNames_)
            text.replace(path, shownAs);
        for (const QString& line : text.split(u'\n'))
            keepErrorLine(line.trimmed());
        appendLogText_(text);
    }

    // The tool's errors start "setdelta: error:"; its usage errors start "setdelta: " too, but
    // its warnings ("setdelta: warning:") say nothing about a failure.
    void keepErrorLine(const QString& line)
    {
        if (!line.startsWith(QLatin1String("setdelta: ")) || line.startsWith(QLatin1String("setdelta: warning:")))
            return;
        if (errorLine_.startsWith(QLatin1String("setdelta: error:")) && !line.startsWith(QLatin1String("setdelta: error:")))
            return;
        errorLine_ = line.left(maximumErrorLineLength);
    }

    const LogSink& appendLogText_;
    QList<std::pair<QString, QString>> shownNames_;
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
    arguments << job.source.path << job.compare.path;
    return {.program = program(), .arguments = arguments, .workingFolder = job.workingFolder};
}

ToolRun DiffTool::run(const ToolJob& job, const LogSink& appendLogText, Prompter& prompter,
                      const RunStop* stop) const
{
    ToolOutput output(job, appendLogText);
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

QString ToolFailureReason(const ToolRun& run, const RunFolder& folder)
{
    const RunResult& result = run.result;
    if (!result.started)
        return QStringLiteral("setdelta could not be started: ") + result.startFailure;
    if (result.exitCode == 0 && QFileInfo(folder.datFile()).isFile())
        return {};
    if (!run.errorLine.isEmpty())
        return run.errorLine;
    if (result.exitCode < 0)
        return QStringLiteral("setdelta ended abnormally.");
    if (result.exitCode != 0)
        return QStringLiteral("setdelta ended with exit status %1.").arg(result.exitCode);
    return QStringLiteral("setdelta left no setdelta.dat.");
}

}  // namespace quillon
