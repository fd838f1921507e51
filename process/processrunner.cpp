#include "processrunner.h"

#include "prompter.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <cerrno>

namespace quillon {

namespace {

// The path the program would be executed from, or "" when it cannot be found.
QString resolveProgram(const Command& command)
{
    if (!command.program.contains(u'/'))
        return QStandardPaths::findExecutable(command.program);
    // A relative path with a folder in it is taken from the working folder, as exec does
    // after the child has changed into it.
    const QDir base(command.workingFolder.isEmpty() ? QDir::currentPath() : command.workingFolder);
    return base.absoluteFilePath(command.program);
}

// QProcess tells only that the start failed, not the errno of the failed chdir or exec. The
// common causes are therefore diagnosed here as exec would report them: a missing working
// folder or program is ENOENT, a program that is a folder or lacks the execute permission is
// EACCES. Any other failure is reported as QProcess::ProcessError + 1 (1 = FailedToStart).
int startErrorNumber(const Command& command, QProcess::ProcessError error)
{
    if (!command.workingFolder.isEmpty() && !QFileInfo(command.workingFolder).isDir())
        return ENOENT;
    const QString program = resolveProgram(command);
    if (program.isEmpty() || !QFileInfo::exists(program))
        return ENOENT;
    const QFileInfo info(program);
    if (info.isDir() || !info.isExecutable())
        return EACCES;
    return static_cast<int>(error) + 1;
}

// Carries each chunk of output to the log sink and the capture file.
class LogCapture {
public:
    LogCapture(const QString& captureFile, const LogSink& appendLogText)
        : capture_(captureFile), appendLogText_(appendLogText)
    {
    }

    // Empties the capture file, creating it and its folder when missing.
    void start()
    {
        QDir().mkpath(QFileInfo(capture_.fileName()).absolutePath());
        if (!capture_.open(QIODevice::WriteOnly | QIODevice::Truncate))
            captureError_ = capture_.errorString();
    }

    void receive(const QByteArray& chunk)
    {
        writeCapture(chunk);
        appendText(decoder_.decode(chunk));
    }

    void finish()
    {
        appendText(decoder_.finish());
        if (capture_.isOpen() && !capture_.flush())
            rememberCaptureError();
        capture_.close();
    }

    const QString& captureError() const { return captureError_; }

private:
    void writeCapture(const QByteArray& chunk)
    {
        if (capture_.isOpen() && capture_.write(chunk) != chunk.size())
            rememberCaptureError();
    }

    void appendText(const QString& text)
    {
        if (!text.isEmpty())
            appendLogText_(text);
    }

    void rememberCaptureError()
    {
        if (captureError_.isEmpty())
            captureError_ = capture_.errorString();
        capture_.close();
    }

    QFile capture_;
    const LogSink& appendLogText_;
    LogTextDecoder decoder_;
    QString captureError_;
};

}  // namespace

void ConfigureProcess(QProcess& process, const Command& command)
{
    process.setProgram(command.program);
    process.setArguments(command.arguments);
    process.setWorkingDirectory(command.workingFolder);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setStandardInputFile(QProcess::nullDevice());
}

bool StartOrReport(QProcess& process, const Command& command, Prompter& prompter)
{
    process.start();
    if (process.waitForStarted(-1))
        return true;
    prompter.tell(QStringLiteral("CreateProcess failed. Error: ")
                  + QString::number(startErrorNumber(command, process.error())));
    return false;
}

// The run is over when the program itself has exited, not when the pipe reaches its end: a
// program that leaves a daemon behind hands it the write end of the pipe, and waiting for
// the end of output would then hold the window for as long as the daemon lives. QProcess
// takes in what the program wrote before it exited when it reports the exit.
void WaitForExit(QProcess& process)
{
    QEventLoop loop;
    QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    if (process.state() != QProcess::NotRunning)
        loop.exec();
}

namespace {

int exitCodeOf(const QProcess& process)
{
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

void pumpUntilExit(QProcess& process, LogCapture& capture)
{
    const auto forward = [&] {
        if (const QByteArray chunk = process.readAllStandardOutput(); !chunk.isEmpty())
            capture.receive(chunk);
    };
    QObject::connect(&process, &QProcess::readyReadStandardOutput, &process, forward);
    forward();
    WaitForExit(process);
    forward();
}

}  // namespace

QString CaptureFilePath()
{
    QString stateHome = qEnvironmentVariable("XDG_STATE_HOME");
    // Relative values are invalid by the XDG base directory rules and are ignored.
    if (stateHome.isEmpty() || QDir::isRelativePath(stateHome))
        stateHome = QDir::homePath() + QStringLiteral("/.local/state");
    return stateHome + QStringLiteral("/Quillon/setdelta.log");
}

RunResult RunRedirected(const Command& command, const QString& captureFile,
                        const LogSink& appendLogText, Prompter& prompter)
{
    LogCapture capture(captureFile, appendLogText);
    QProcess process;  // declared after the capture its signals feed, so it goes first
    ConfigureProcess(process, command);
    if (!StartOrReport(process, command, prompter))
        return {};
    capture.start();
    pumpUntilExit(process, capture);
    capture.finish();
    return {.started = true, .exitCode = exitCodeOf(process), .captureError = capture.captureError()};
}

}  // namespace quillon
