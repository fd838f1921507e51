#include "output_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace setdelta {

OutputFile::OutputFile(std::string path)
    : path_(std::move(path)), temporaryPath_(path_ + ".XXXXXX")
{
    std::vector<char> pattern(temporaryPath_.begin(), temporaryPath_.end());
    pattern.push_back('\0');
    fd_ = ::mkstemp(pattern.data());
    if (fd_ < 0)
        fail("cannot create", errno);
    temporaryPath_ = pattern.data();
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

void OutputFile::commit()
{
    flush();
    int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) {
        int error = errno;
        ::unlink(temporaryPath_.c_str());
        fail("cannot write", error);
    }
    if (::rename(temporaryPath_.c_str(), path_.c_str()) != 0) {
        int error = errno;
        ::unlink(temporaryPath_.c_str());
        fail("cannot replace", error);
    }
}

void OutputFile::fail(const std::string& action, int error)
{
    throw OutputError(action + " " + path_ + ": " + std::strerror(error));
}

} // namespace setdelta
