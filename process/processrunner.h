#pragma once

#include "logtext.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>

class QProcess;

namespace quillon {

class Prompter;

// A program to run. The program and each argument are passed to it as they stand (no shell,
// no splitting at blanks), so paths with blanks need no quoting.
struct Command {
    QString program;
    QStringList arguments;
    QString workingFolder;  // empty: the current folder
    // A descriptor the program gets under its own number, besides standard input, output and
    // error (a pipe it reports on); -1: none. Quillon keeps it closed on exec for other programs.
    int inheritedDescriptor = -1;
};

struct RunResult {
    bool started = false;
    int exitCode = -1;     // -1 when the program did not start or did not exit normally
    bool stopped = false;  // the run was stopped through its RunStop
    QString startFailure;  // why the program could not be started, in the system's words
    QString captureError;  // why the capture file could not be written; empty when it was
};

// Stops a run from outside it (a Cancel button, the main window closing): the program and what
// it started are asked to end, and killed when they have not ended after a grace time. A stop requested before the run
// starts keeps the program from starting.
class RunStop : public QObject {
    Q_OBJECT
public:
    void request();
    bool isRequested() const { return requested_; }

signals:
    void requested();

private:
    bool requested_ = false;
};
inline constexpr int stopGraceMs = 2000;

// The pieces of a run, for callers that handle a program's output themselves: `process` is set
// up for `command` with standard output and standard error merged and no standard input, in a
// process group of its own so that what the program starts can be ended with it; `inChild`,
// when given, runs in the child before the program (it must be safe after fork). A start that
// fails is reported as "CreateProcess failed. Error: N" and its reason, in the system's words,
// returned (empty when the program started); the wait lasts until the program has exited or
// event processing ends (the application is quitting).
void ConfigureProcess(QProcess& process, const Command& command, std::function<void()> inChild = {});
QString StartOrReport(QProcess& process, const Command& command, Prompter& prompter);
void WaitForExit(QProcess& process);

// Ends a started program together with the processes it started (a wrapper script's emulator,
// a daemon), which share its process group: they are asked to end, and those still there
// after stopGraceMs are killed.
class ProgramEnder {
public:
    // `process` has started.
    explicit ProgramEnder(const QProcess& process);
    ProgramEnder(const ProgramEnder&) = delete;
    ProgramEnder& operator=(const ProgramEnder&) = delete;

    // Asks the group to end; a second request changes nothing.
    void request();
    // Makes a request of `stop`, when given, a request here, also one made before.
    void followStop(const RunStop* stop);
    bool isRequested() const { return requested_; }
    // Called once the wait for the program is over. When the program is still running (the
    // application is quitting), the group is killed at once. After a request, what is left of
    // the group has the rest of the grace time to end, window events being processed meanwhile,
    // and is then killed. Otherwise the program's group is left alone: a program that ended on
    // its own may leave a daemon behind on purpose.
    void finish(QProcess& process);

private:
    void signalGroup(int signal) const;

    qint64 group_;
    bool requested_ = false;
    QElapsedTimer sinceRequest_;
    QTimer killTimer_;
};

// A base folder of the XDG rules: the variable's value, or ~/<underHome> when it is unset or
// not absolute.
QString XdgBaseFolder(const char* variable, const char* underHome);

// Where the console output of the last diff run is kept: $XDG_STATE_HOME/Quillon/setdelta.log,
// or ~/.local/state/Quillon/setdelta.log when XDG_STATE_HOME is unset.
QString CaptureFilePath();

// Runs `command` with everything it prints going, as it arrives, to
// `appendLogText` as text and byte for byte into `captureFile`, which is emptied first (and
// created with its folder when missing). When the program cannot be started, the capture
// file is left as it was. `stop`, when given, can end the program early.
RunResult RunRedirected(const Command& command, const QString& captureFile,
                        const LogSink& appendLogText, Prompter& prompter,
                        const RunStop* stop = nullptr);

}  // namespace quillon
