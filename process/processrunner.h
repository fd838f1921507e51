#pragma once

#include "logtext.h"

#include <QString>
#include <QStringList>

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
    QString captureError;  // why the capture file could not be written; empty when it was
};

// Where the console output of the last diff run is kept: $XDG_STATE_HOME/Quillon/setdelta.log,
// or ~/.local/state/Quillon/setdelta.log when XDG_STATE_HOME is unset.
QString CaptureFilePath();

// Runs `command` with standard output and standard error merged and no standard input.
// Everything it prints goes, as it arrives, to `appendLogText` as text and byte for byte into
// `captureFile`, which is emptied first (and created with its folder when missing). Window
// events are processed meanwhile, so the caller disables its window around the call.
// When the program cannot be started, the user is told through `prompter` and the capture
// file is left as it was.
// Returns when the program has exited and what it wrote has been taken in.
RunResult RunRedirected(const Command& command, const QString& captureFile,
                        const LogSink& appendLogText, Prompter& prompter);

}  // namespace quillon
