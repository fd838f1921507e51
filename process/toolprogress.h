#pragma once

#include "filedescriptor.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class QSocketNotifier;

namespace quillon {

struct Command;

// What the diff tool is doing, from its progress lines.
enum class ToolPhase { Reading, Comparing, Writing };

// One progress line of the diff tool: the phase and how many bytes of each input it has read,
// against the input's size (0: not known).
struct ToolProgress {
    ToolPhase phase = ToolPhase::Reading;
    quint64 oldRead = 0;
    quint64 oldTotal = 0;
    quint64 newRead = 0;
    quint64 newTotal = 0;

    // How much of the run is done, in percent. Reading is most of a run's time: it fills the
    // first 90 by the bytes read, comparing and writing start at 90 and 95. -1 while reading
    // an input whose size is not known.
    int percent() const;

    bool operator==(const ToolProgress&) const = default;
};

using ToolProgressSink = std::function<void(const ToolProgress& progress)>;

// "progress PHASE OLD_READ OLD_TOTAL NEW_READ NEW_TOTAL", without its line end; fields after
// these are left for later versions of the tool. Anything else is not a progress line.
std::optional<ToolProgress> ParseToolProgress(QByteArrayView line);

// The phase in words, for the busy window.
QString ToolPhaseText(ToolPhase phase);

// Cuts the tool's progress output into lines and hands each progress line to the sink. Lines
// that are not progress lines are left out, and so is a line longer than any progress line
// could be, so that whatever arrives costs bounded memory.
class ToolProgressReader {
public:
    static constexpr qsizetype maximumLineLength = 256;

    explicit ToolProgressReader(ToolProgressSink sink) : sink_(std::move(sink)) {}
    void receive(QByteArrayView bytes);

private:
    ToolProgressSink sink_;
    QByteArray pending_;
    bool skippingLongLine_ = false;
};

// A pipe for the tool's progress lines, apart from its console output, so that they never
// reach the log: the tool writes to the pipe's descriptor (--progress-fd), which it inherits,
// and what arrives is read while window events are processed. Without a sink, or where no pipe
// can be made, the run goes on without progress.
class ToolProgressChannel {
public:
    explicit ToolProgressChannel(ToolProgressSink sink);
    ~ToolProgressChannel();
    ToolProgressChannel(const ToolProgressChannel&) = delete;
    ToolProgressChannel& operator=(const ToolProgressChannel&) = delete;

    // Asks the tool of `command` for progress lines on the pipe.
    void addTo(Command& command) const;
    // Reads what the tool wrote before it ended and closes the pipe.
    void finish();

private:
    void readAvailable();
    void close();

    ToolProgressReader reader_;
    FileDescriptor readEnd_;
    FileDescriptor writeEnd_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace quillon
