#pragma once

#include "processrunner.h"

#include <QByteArray>
#include <QString>

#include <functional>

namespace quillon {

class Prompter;

// Receives progress texts ("Receiving data : 1,024,000 bytes...") while a DAT is captured.
using StatusSink = std::function<void(const QString& text)>;

struct CaptureResult {
    bool started = false;    // the program ran
    bool written = false;    // the destination holds its whole output
    bool cancelled = false;  // the run was stopped before the program ended
    qint64 bytes = 0;        // what the program printed, as far as it was received
};

// One run of a MAME executable whose output, standard output and standard error as the program
// interleaves them, becomes a DAT byte for byte. Quillon receives the output through a pipe and
// writes it itself, checking every write, into a new file beside the destination; that file
// replaces the destination only when the program ended with exit code 0, every byte was written
// and, for "-listxml", the output ends with the closing tag of its root element. Otherwise the
// destination stays as it was and the user is told why, with the program's last lines.
class DatCapture {
public:
    DatCapture(Command command, QString destination);

    // Runs the program, processing window events meanwhile.
    CaptureResult run(const StatusSink& showStatus, Prompter& prompter);
    // Stops a run in progress from an event handler: the program and what it started are ended
    // (asked, then killed after stopGraceMs), the partial output removed, and `run` returns a
    // cancelled result without a message.
    void cancel();
    bool isRunning() const { return ender_ != nullptr; }

private:
    Command command_;
    QString destination_;
    ProgramEnder* ender_ = nullptr;
    bool cancelled_ = false;
};

// Runs `command` into `destination` as above, without a way to cancel.
CaptureResult CreateDatFile(const Command& command, const QString& destination,
                            const StatusSink& showStatus, Prompter& prompter);

// The status text is refreshed each time the output has grown past another such step.
inline constexpr qint64 statusInterval = 256'000;

QString receivingDataText(qint64 bytes);
// A byte count with its digits grouped as the locale does ("1,024,000").
QString groupedNumber(qint64 number);

// The last lines of a program's output, for a message: at most `count` lines that are not
// blank, each cut to a readable length.
QString lastLinesOf(const QByteArray& tail, int count = 5);

}  // namespace quillon
