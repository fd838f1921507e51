#pragma once

#include "logtext.h"

#include <QObject>
#include <QString>
#include <QStringList>

class QProcess;

namespace quillon {

class Prompter;

// A program to run. The program and each argument are passed to it as they stand (no shell,
// no splitting at blanks), so paths with blanks need no quoting.
struct Command {
    QString program;
    QStringList arguments;
    QString workingFolder;  // empty: the current folder
};

struct RunResult {
    bool started = false;
    int exitCode = -1;     // -1 when the program did not start or did not exit normally
    bool stopped = false;  // the run was stopped through its RunStop
    QString startFailure;  // why the program could not be started, in the system's words
    QString captureError;  // why the capture file could not be written; empty when it was
};

// Stops a run from outside it (a Cancel button, the main window closing): the program is asked
// to end, and killed when it has not ended after a grace time. A stop requested before the run
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

// Runs `command` with standard output and standard error merged and no standard input. Window
// events are processed meanwhile, so the caller disables its window around the call. When the
// program cannot be started, the user is told through `prompter`. The runner returns when the
// program has exited.

// The pieces of a run, for callers that handle a program's output themselves: `process` is set
// up for `command` with standard output and standard error merged and no standard input; a
// start that fails is reported as "CreateProcess failed. Error: N" and its reason, in the
// system's words, returned (empty when the program started); the wait lasts until the program
// has exited or event processing ends (the application is quitting).
void ConfigureProcess(QProcess& process, const Command& command);
QString StartOrReport(QProcess& process, const Command& command, Prompter& prompter);
void WaitForExit(QProcess& process);

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
