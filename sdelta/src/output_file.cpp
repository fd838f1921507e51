#include "output_file.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace setdelta {
namespace {

// The temporary files a signal handler removes. A handler may only use what is safe in one,
// so the paths sit in fixed slots, claimed and released with atomics.
class TemporaryFileRegistry {
public:
    // The slot the path went to, or -1 when all are taken (the file is then still removed
    // on every ordinary path).
    int add(const std::string& path)
    {
        if (path.size() >= pathCapacity)
            return -1;
        for (std::size_t i = 0; i < slots_.size(); ++i) {
            Slot& slot = slots_[i];
            bool expected = false;
            if (!slot.claimed.compare_exchange_strong(expected, true))
                continue;
            std::memcpy(slot.path, path.c_str(), path.size() + 1);
            slot.ready.store(true, std::memory_order_release);
            return static_cast<int>(i);
        }
        return -1;
    }

    void remove(int index)
    {
        if (index < 0)
            return;
        Slot& slot = slots_[static_cast<std::size_t>(index)];
        slot.ready.store(false, std::memory_order_release);
        slot.claimed.store(false, std::memory_order_release);
    }

    // Async-signal-safe.
    void unlinkAll()
    {
        for (Slot& slot : slots_)
            if (slot.ready.load(std::memory_order_acquire))
                ::unlink(slot.path);
    }

private:
    static constexpr std::size_t pathCapacity = 4096;
    struct Slot {
        std::atomic<bool> claimed{false};
        std::atomic<bool> ready{false};
        char path[pathCapacity];
    };
    std::array<Slot, 8> slots_;
};

TemporaryFileRegistry temporaryFiles;

std::string folderOf(const std::string& path)
{
    std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Makes a rename in `folder` survive a crash. A folder this process may not read cannot be
// opened to be flushed, and some file systems cannot flush a folder at all: the rename then
// stands as the system keeps it.
int syncFolder(const std::string& folder)
{
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return 0;
    int error = ::fsync(fd) == 0 || errno == EINVAL || errno == EROFS ? 0 : errno;
    ::close(fd);
    return error;
}

// A handler the C library calls: C linkage, and static so that it stays in this file.
extern "C" {
static void onStopSignal(int signal)
{
    temporaryFiles.unlinkAll();
    ::_exit(128 + signal);
}
}

} // namespace

void handleStopSignals()
{
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    ::sigfillset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        ::sigaction(signal, &action, nullptr);
    ::signal(SIGXFSZ, SIG_IGN);
}

OutputFile::OutputFile(std::string path)
    : path_(std::move(path)), temporaryPath_(path_ + ".XXXXXX")
{
    std::vector<char> pattern(temporaryPath_.begin(), temporaryPath_.end());
    pattern.push_back('\0');
    fd_ = ::mkstemp(pattern.data());
    if (fd_ < 0)
        fail("cannot create", errno);
    temporaryPath_ = pattern.data();
    registration_ = temporaryFiles.add(temporaryPath_);
    // mkstemp makes the file private; a result is an ordinary file others may read.
    ::fchmod(fd_, 0644);
    buffer_.reserve(flushThreshold + flushThreshold / 4);
}

OutputFile::~OutputFile()
{
    if (fd_ >= 0) {
        ::close(fd_);
        ::unlink(temporaryPath_.c_str());
    }
    temporaryFiles.remove(registration_);
}

void OutputFile::write(std::string_view text)
{
    buffer_.append(text);
    if (buffer_.size() >= flushThreshold)
        flush();
}

void OutputFile::flush()
{
    std::size_t written = 0;
    while (written < buffer_.size()) {
        ssize_t count = ::write(fd_, buffer_.data() + written, buffer_.size() - written);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            fail("cannot write", errno);
        written += static_cast<std::size_t>(count);
    }
    buffer_.clear();
}

// The data reaches the disk before the rename publishes it, so that after a crash the name
// holds either the earlier file or the whole new one, never an empty or cut one.
void OutputFile::commit()
{
    flush();
    int fd = fd_;
    fd_ = -1;
    int syncError = ::fsync(fd) == 0 ? 0 : errno;
    if (::close(fd) != 0 || syncError != 0) {
        int error = syncError != 0 ? syncError : errno;
        ::unlink(temporaryPath_.c_str());
        fail("cannot write", error);
    }
    if (::rename(temporaryPath_.c_str(), path_.c_str()) != 0) {
        int error = errno;
        ::unlink(temporaryPath_.c_str());
        fail("cannot replace", error);
    }
    temporaryFiles.remove(std::exchange(registration_, -1));
    if (int error = syncFolder(folderOf(path_)); error != 0)
        fail("cannot flush the folder of", error);
}

void OutputFile::fail(const std::string& action, int error)
{
    throw OutputError(action + " " + path_ + ": " + std::strerror(error));
}

} // namespace setdelta
