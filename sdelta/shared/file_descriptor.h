#pragma once

// Plain C++ and POSIX only: setdelta and Quillon both own their descriptors with it.

#include <cerrno>
#include <utility>

#include <unistd.h>

namespace setdelta {

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

} // namespace setdelta
