#include "progress.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <ostream>
#include <unistd.h>

namespace setdelta {
namespace {

std::string_view phaseName(Phase phase)
{
    switch (phase) {
    case Phase::Reading: return "reading";
    case Phase::Comparing: return "comparing";
    case Phase::Writing: return "writing";
    }
    return {};
}

std::chrono::steady_clock::rep ticksNow()
{
    return std::chrono::steady_clock::now().time_since_epoch().count();
}

} // namespace

void InputProgress::start(std::uint64_t total)
{
    total_.store(total, std::memory_order_relaxed);
    reporter_.update();
}

void InputProgress::advance(std::uint64_t consumed)
{
    read_.store(consumed, std::memory_order_relaxed);
    reporter_.update();
}

// A file without a size (a pipe) has its total once it has been read.
void InputProgress::finish()
{
    const std::uint64_t total = std::max(read(), this->total());
    total_.store(total, std::memory_order_relaxed);
    read_.store(total, std::memory_order_relaxed);
    reporter_.update();
}

ProgressReporter::ProgressReporter(LineWriter writer, std::chrono::milliseconds interval)
    : writer_(std::move(writer)), interval_(interval)
{
}

void ProgressReporter::enter(Phase phase)
{
    if (!writer_)
        return;
    phase_.store(phase);
    const std::lock_guard lock(writing_);
    writeLine();
}

void ProgressReporter::update()
{
    if (!writer_ || ticksNow() < nextLine_.load(std::memory_order_relaxed))
        return;
    // The other reader thread writing a line at this moment is as good as this one writing it.
    const std::unique_lock lock(writing_, std::try_to_lock);
    if (lock.owns_lock() && ticksNow() >= nextLine_.load(std::memory_order_relaxed))
        writeLine();
}

// Called with `writing_` held.
void ProgressReporter::writeLine()
{
    nextLine_.store(ticksNow() + interval_.count(), std::memory_order_relaxed);
    if (stopped_.load(std::memory_order_relaxed))
        return;
    if (!writer_(progressLine(phase_.load(), old_, new_)))
        stopped_.store(true, std::memory_order_relaxed);
}

std::string progressLine(Phase phase, const InputProgress& oldInput, const InputProgress& newInput)
{
    std::string line = "progress ";
    line += phaseName(phase);
    for (std::uint64_t count : {oldInput.read(), oldInput.total(), newInput.read(), newInput.total()})
        line += ' ' + std::to_string(count);
    line += '\n';
    return line;
}

ProgressReporter::LineWriter streamLineWriter(std::ostream& stream)
{
    return [&stream](std::string_view line) {
        return static_cast<bool>(stream.write(line.data(), static_cast<std::streamsize>(line.size())).flush());
    };
}

ProgressReporter::LineWriter descriptorLineWriter(int fd)
{
    std::signal(SIGPIPE, SIG_IGN);
    return [fd](std::string_view line) {
        // A pipe takes a line this short whole or not at all; a file or terminal may take part.
        for (std::size_t done = 0; done < line.size();) {
            const ssize_t written = ::write(fd, line.data() + done, line.size() - done);
            if (written > 0)
                done += static_cast<std::size_t>(written);
            else if (written < 0 && errno == EAGAIN && done == 0)
                return true;
            else if (written == 0 || errno != EINTR)
                return false;
        }
        return true;
    };
}

std::string descriptorProblem(int fd)
{
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0)
        return std::strerror(errno);
    if ((flags & O_ACCMODE) == O_RDONLY)
        return "it is open for reading only";
    return {};
}

} // namespace setdelta
