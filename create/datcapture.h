#pragma once

#include "processrunner.h"

#include <QString>

#include <functional>

namespace quillon {

class Prompter;

// Receives progress texts ("Receiving data : 1,024,000 bytes...") while a DAT is captured.
using StatusSink = std::function<void(const QString& text)>;

struct CaptureResult {
    bool started = false;  // the program ran
    bool written = false;  // the destination holds its whole output
    qint64 bytes = 0;
};

// Runs `command` and stores everything it prints, byte for byte, as `destination`. The output
// goes to a temporary file beside the destination that replaces it only once the program has
// ended with exit code 0, so a run that fails to start, crashes, fails or cannot be written
// never truncates an existing DAT. Every failure is reported through `prompter`.
CaptureResult CreateDatFile(const Command& command, const QString& destination,
                            const StatusSink& showStatus, Prompter& prompter);

// The status text is refreshed each time the output has grown past another such step.
inline constexpr qint64 statusInterval = 256'000;

QString receivingDataText(qint64 bytes);

}  // namespace quillon
