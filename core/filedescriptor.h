#pragma once

#include "outcome.h"

#include <QString>

#include <cerrno>
#include <utility>

#include <unistd.h>

namespace quillon {

// An open file descriptor of the system, closed with its owner. Closing keeps errno, so that a
// failure can still be reported after the descriptor went out of scope. Writers that must see
// the system's verdict on a close (a full disk shows there on some file systems) call close().
class FileDescriptor {
public:
    FileDescriptor() = default;
    explicit FileDescriptor(int descriptor) noexcept : descriptor_(descriptor) {}
    ~FileDescriptor() { reset(); }
    FileDescriptor(FileDescriptor&& other) noexcept : descriptor_(other.release()) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept
    {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    bool valid() const { return descriptor_ >= 0; }
    int get() const { return descriptor_; }
    int release() { return std::exchange(descriptor_, -1); }

    // Closes the descriptor held (if any) and takes `descriptor` in its place.
    void reset(int descriptor = -1) noexcept
    {
        if (descriptor_ >= 0) {
            const int error = errno;
            ::close(descriptor_);
            errno = error;
        }
        descriptor_ = descriptor;
    }

    // Closes the descriptor and returns 0, or the error number the system gave.
    int close() noexcept
    {
        if (descriptor_ < 0)
            return EBADF;
        return ::close(release()) == 0 ? 0 : errno;
    }

private:
    int descriptor_ = -1;
};

// Whether a file may be of any owner or must be this user's own.
enum class FileOwner { Anyone, ThisUser };

// Opens an existing file for reading or writing (`flags` as for open()) without waiting on a
// pipe or a device, and keeps it only when it is a regular file, checked on the descriptor.
// FileOwner::ThisUser also refuses a link in the last part of the path and a file of another
// user, for the files Quillon reads back from its own folder. A failure says why, after the path.
Result<FileDescriptor> OpenRegularFile(const QString& path, int flags, FileOwner owner = FileOwner::Anyone);

}  // namespace quillon
