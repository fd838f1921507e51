#include "processrunner.h"

#include "atomicfile.h"
#include "prompter.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>

#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <unistd.h>

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
// EACCES. 0 when the cause is none of these; the start failure is then reported as
// QProcess::ProcessError + 1 (1 = FailedToStart).
int startErrorNumber(const Command& command)
{
    if (!command.workingFolder.isEmpty() && !QFileInfo(command.workingFolder).isDir())
        return ENOENT;
    const QString program = resolveProgram(command);
    if (program.isEmpty() || !QFileInfo::exists(program))
        return ENOENT;
    const QFileInfo info(program);
    if (info.isDir() || !info.isExecutable())
        return EACCES;
    return 0;
}

// Carries each chunk of output to the log sink and the capture file. The capture is written
// beside the file and takes its place when the run ends, so that two runs at the same time
// (two Quillons) never mix their output in it: it holds the whole output of the run that ended
// last.
class LogCapture {
public:
    LogCapture(const QString& captureFile, const LogSink& appendLogText)
        : capture_(captureFile), appendLogText_(appendLogText)
    {
    }

    // Starts a new capture, creating the capture file's folder when missing.
    void start()
    {
        QDir().mkpath(QFileInfo(capture_.fileName()).absolutePath());
        if (!capture_.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
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
        if (capture_.isOpen() && !capture_.commit())
            rememberCaptureError();
    }

    const QString& captureError() const { return captureError_; }

private:
    // A short write is carried on with the rest, so that a write that cannot go on fails with
    // the system's reason (a full disk, a file too large).
    void writeCapture(const QByteArray& chunk)
    {
        for (qsizetype written = 0; capture_.isOpen() && written < chunk.size();) {
            const qint64 count = capture_.write(chunk.constData() + written, chunk.size() - written);
            if (count <= 0) {
                rememberCaptureError();
                return;
            }
            written += count;
        }
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
        capture_.cancelWriting();
    }

    QSaveFile capture_;
    const LogSink& appendLogText_;
    LogTextDecoder decoder_;
    QString captureError_;
};

// How often a stopped program's group is looked at while it is given time to end.
constexpr int groupPollMs = 10;

// Whether a process of `group` is still running. An orphan that has ended stays a zombie, still
// in its group, until its new parent collects it (some containers never do); it runs no more.
bool groupIsAlive(qint64 group)
{
    if (group <= 0 || ::kill(static_cast<pid_t>(-group), 0) != 0)
        return false;
    const QStringList processes = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& process : processes) {
        QFile stat(QStringLiteral("/proc/") + process + QStringLiteral("/stat"));
        if (!process.front().isDigit() || !stat.open(QIODevice::ReadOnly))
            continue;
        // After the name in parentheses, which may hold anything: state, parent, group.
        const QByteArray line = stat.readAll();
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 2 && fields[2].toLongLong() == group && fields[0] != "Z")
            return true;
    }
    return false;
}

}  // namespace

void ConfigureProcess(QProcess& process, const Command& command, std::function<void()> inChild)
{
    process.setProgram(command.program);
    process.setArguments(command.arguments);
    process.setWorkingDirectory(command.workingFolder);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setStandardInputFile(QProcess::nullDevice());
    // The group is made before the program runs, so it exists once the start is confirmed.
    process.setChildProcessModifier([inChild = std::move(inChild), inherited = command.inheritedDescriptor] {
        ::setpgid(0, 0);
        if (inherited >= 0)
            ::fcntl(inherited, F_SETFD, 0);
        if (inChild)
            inChild();
    });
}

QString StartOrReport(QProcess& process, const Command& command, Prompter& prompter)
{
    process.start();
    if (process.waitForStarted(-1))
        return {};
    const int errorNumber = startErrorNumber(command);
    const int shownNumber = errorNumber != 0 ? errorNumber : static_cast<int>(process.error()) + 1;
    prompter.tell(QStringLiteral("CreateProcess failed. Error: ") + QString::number(shownNumber));
    const QString reason = errorNumber != 0 ? SystemReason(errorNumber)
                                            : process.errorString();
    return reason.isEmpty() ? QStringLiteral("the program could not be started") : reason;
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

ProgramEnder::ProgramEnder(const QProcess& process) : group_(process.processId())
{
    killTimer_.setSingleShot(true);
    QObject::connect(&killTimer_, &QTimer::timeout, [this] { signalGroup(SIGKILL); });
}

void ProgramEnder::followStop(const RunStop* stop)
{
    if (!stop)
        return;
    QObject::connect(stop, &RunStop::requested, &killTimer_, [this] { request(); });
    if (stop->isRequested())
        request();
}

void ProgramEnder::request()
{
    if (requested_)
        return;
    requested_ = true;
    sinceRequest_.start();
    signalGroup(SIGTERM);
    killTimer_.start(stopGraceMs);
}

void ProgramEnder::finish(QProcess& process)
{
    killTimer_.stop();
    if (process.state() != QProcess::NotRunning) {
        signalGroup(SIGKILL);
        process.waitForFinished(-1);
        return;
    }
    if (!requested_)
        return;
    while (groupIsAlive(group_) && !sinceRequest_.hasExpired(stopGraceMs)) {
        QCoreApplication::processEvents();
        QThread::msleep(groupPollMs);
    }
    if (groupIsAlive(group_))
        signalGroup(SIGKILL);
}

// A group number of 0 would be Quillon's own group.
void ProgramEnder::signalGroup(int signal) const
{
    if (group_ > 0)
        ::kill(static_cast<pid_t>(-group_), signal);
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

void RunStop::request()
{
    requested_ = true;
    emit requested();
}

QString XdgBaseFolder(const char* variable, const char* underHome)
{
    const QString folder = qEnvironmentVariable(variable);
    // Relative values are invalid by the XDG base directory rules and are ignored.
    if (folder.isEmpty() || QDir::isRelativePath(folder))
        return QDir::homePath() + u'/' + QLatin1String(underHome);
    return folder;
}

QString CaptureFilePath()
{
    return XdgBaseFolder("XDG_STATE_HOME", ".local/state") + QStringLiteral("/Quillon/setdelta.log");
}

RunResult RunRedirected(const Command& command, const QString& captureFile,
                        const LogSink& appendLogText, Prompter& prompter, const RunStop* stop)
{
    if (stop && stop->isRequested())
        return {.stopped = true};
    LogCapture capture(captureFile, appendLogText);
    QProcess process;  // declared after the capture its signals feed, so it goes first
    ConfigureProcess(process, command);
    if (const QString failure = StartOrReport(process, command, prompter); !failure.isEmpty())
        return {.startFailure = failure};
    ProgramEnder ender(process);
    ender.followStop(stop);
    capture.start();
    pumpUntilExit(process, capture);
    ender.finish(process);
    capture.finish();
    return {.started = true,
            .exitCode = exitCodeOf(process),
            .stopped = ender.isRequested(),
            .captureError = capture.captureError()};
}

}  // namespace quillon
