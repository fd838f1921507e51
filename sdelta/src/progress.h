#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <mutex>
#include <string>
#include <string_view>

namespace setdelta {

// What a run is doing, as progress lines name it.
enum class Phase : std::uint8_t { Reading, Comparing, Writing };

class ProgressReporter;

// How far the reading of one input has come, in bytes of the file itself: for a gzip file or a
// zip archive these are compressed bytes against the size of the file, not bytes of the DAT.
// Its reader thread updates it; the reporter reads it from any thread.
class InputProgress {
public:
    explicit InputProgress(ProgressReporter& reporter) : reporter_(reporter) {}

    // `total` is the file's size, 0 where it has none (a pipe).
    void start(std::uint64_t total);
    void advance(std::uint64_t consumed);
    // The input has been read to its end: it counts as read in full.
    void finish();

    std::uint64_t read() const { return read_.load(std::memory_order_relaxed); }
    std::uint64_t total() const { return total_.load(std::memory_order_relaxed); }

private:
    ProgressReporter& reporter_;
    std::atomic<std::uint64_t> read_{0};
    std::atomic<std::uint64_t> total_{0};
};

// Writes progress lines for programs that show a run's progress:
//
//     progress PHASE OLD_READ OLD_TOTAL NEW_READ NEW_TOTAL
//
// PHASE is reading, comparing or writing; the numbers are bytes, as InputProgress counts them.
// A line is written when a phase begins and, while the inputs are read, at most once per
// interval, so that reporting costs the run nothing measurable. The two reader threads report
// at once; each line is written whole by one write.
class ProgressReporter {
public:
    // Takes a line (with its line end); false when no more lines can be written.
    using LineWriter = std::function<bool(std::string_view line)>;
    static constexpr std::chrono::milliseconds defaultInterval{100};

    // A reporter without a writer reports nothing.
    explicit ProgressReporter(LineWriter writer = {}, std::chrono::milliseconds interval = defaultInterval);
    ProgressReporter(const ProgressReporter&) = delete;
    ProgressReporter& operator=(const ProgressReporter&) = delete;

    bool isActive() const { return static_cast<bool>(writer_); }
    InputProgress& oldInput() { return old_; }
    InputProgress& newInput() { return new_; }

    void enter(Phase phase);
    // Writes a line when the last one is at least an interval old.
    void update();

private:
    void writeLine();

    LineWriter writer_;
    std::chrono::steady_clock::duration interval_;
    InputProgress old_{*this};
    InputProgress new_{*this};
    std::atomic<Phase> phase_{Phase::Reading};
    std::atomic<std::chrono::steady_clock::rep> nextLine_{0};
    std::atomic<bool> stopped_{false};
    std::mutex writing_;
};

// The line for a phase and the two inputs' counts.
std::string progressLine(Phase phase, const InputProgress& oldInput, const InputProgress& newInput);

// Lines to `stream` (--progress: standard error).
ProgressReporter::LineWriter streamLineWriter(std::ostream& stream);
// Lines to the open descriptor `fd` (--progress-fd). A reader that goes away must not end the
// run, so SIGPIPE is ignored; a line that a non-blocking descriptor cannot take at once is left
// out rather than waited for.
ProgressReporter::LineWriter descriptorLineWriter(int fd);

// Whether `fd` is open; the reason in the system's words when it is not.
std::string descriptorProblem(int fd);

} // namespace setdelta
