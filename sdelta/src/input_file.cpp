#include "input_file.h"

#include "dat_error.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace setdelta {

InputFile::InputFile(std::string path, std::size_t blockSize)
    : path_(std::move(path)), blockSize_(blockSize)
{
    fd_ = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0)
        throw DatError(path_, 0, std::string("cannot open: ") + std::strerror(errno));
    struct stat status {};
    if (::fstat(fd_, &status) == 0 && S_ISDIR(status.st_mode)) {
        ::close(fd_);
        throw DatError(path_, 0, "is a folder, not a DAT file");
    }
    ::posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
    first_ = std::make_unique_for_overwrite<char[]>(blockSize_);
    firstSize_ = readFromFile(first_.get(), blockSize_);
}

InputFile::~InputFile()
{
    ::close(fd_);
}

std::size_t InputFile::read(char* buffer, std::size_t capacity)
{
    if (firstOffset_ < firstSize_) {
        std::size_t count = std::min(capacity, firstSize_ - firstOffset_);
        std::memcpy(buffer, first_.get() + firstOffset_, count);
        firstOffset_ += count;
        return count;
    }
    return readFromFile(buffer, capacity);
}

std::size_t InputFile::readFromFile(char* buffer, std::size_t capacity)
{
    std::size_t filled = 0;
    while (filled < capacity) {
        ssize_t count = ::read(fd_, buffer + filled, capacity - filled);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0) {
            int error = errno;
            ::close(fd_);
            fd_ = -1;
            throw DatError(path_, 0, std::string("cannot read: ") + std::strerror(error));
        }
        if (count == 0)
            break;
        filled += static_cast<std::size_t>(count);
    }
    return filled;
}

} // namespace setdelta
