#include "output_file.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

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
    const FileDescriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd.valid())
        return 0;
    return ::fsync(fd.get()) == 0 || errno == EINVAL || errno == EROFS ? 0 : errno;
}

// A handler the C library calls: C linkage, and static so that it stays in this file.
extern "C" {
static void onStopSignal(int signal)
{
    temporaryFiles.unlinkAll();
    ::_exit(128 + signal);
}
}

// A file without a name in `folder`, which a process killed before its commit cannot leave
// behind; -1 where the file system cannot make one or /proc, through which it is named, is missing.
int openUnnamed(const std::string& folder)
{
    if (::access("/proc/self/fd", X_OK) != 0)
        return -1;
    return ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
}

std::atomic<unsigned> nameCounter{0};

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
    : path_(std::move(path))
{
    // Where no unnamed file can be made, for whatever reason, a named one is tried, and its
    // failure says why.
    fd_.reset(openUnnamed(folderOf(path_)));
    if (!fd_.valid())
        createNamed();
    // The file is made private; a result is an ordinary file others may read.
    ::fchmod(fd_.get(), 0644);
    buffer_.reserve(flushThreshold + flushThreshold / 4);
}

void OutputFile::createNamed()
{
    std::string pattern = path_ + ".XXXXXX";
    fd_.reset(::mkstemp(pattern.data()));
    if (!fd_.valid())
        fail("cannot create", errno);
    temporaryPath_ = pattern;
    registration_ = temporaryFiles.add(temporaryPath_);
}

// The unnamed file gets a temporary name beside its target, so that it can replace the target
// at once by a rename (a link cannot replace a file).
void OutputFile::nameUnnamed()
{
    const std::string source = "/proc/self/fd/" + std::to_string(fd_.get());
    for (;;) {
        temporaryPath_ = path_ + "." + std::to_string(::getpid()) + "-" + std::to_string(nameCounter++);
        registration_ = temporaryFiles.add(temporaryPath_);
        if (::linkat(AT_FDCWD, source.c_str(), AT_FDCWD, temporaryPath_.c_str(), AT_SYMLINK_FOLLOW) == 0)
            return;
        int error = errno;
        temporaryFiles.remove(std::exchange(registration_, -1));
        if (error != EEXIST) {
            temporaryPath_.clear();
            fail("cannot write", error);
        }
    }
}

OutputFile::~OutputFile()
{
    if (fd_.valid()) {
        fd_.reset();
        if (!temporaryPath_.empty())
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
        ssize_t count = ::write(fd_.get(), buffer_.data() + written, buffer_.size() - written);
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
    if (::fsync(fd_.get()) != 0)
        fail("cannot write", errno);
    if (temporaryPath_.empty())
        nameUnnamed();
    if (const int error = fd_.close(); error != 0) {
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
