#include "byte_source.h"

#include "dat_error.h"
#include "file_descriptor.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace setdelta {
namespace {

std::string systemReason(const std::string& action, int error)
{
    return action + ": " + std::strerror(error);
}

// A plain DAT. It must end where its size said at opening: a file that another program
// rewrites meanwhile would otherwise pass for a smaller or larger DAT.
class PlainSource : public ByteSource {
public:
    PlainSource(int fd, std::string label, const struct stat& status)
        : fd_(fd), label_(std::move(label)), expected_(static_cast<std::uint64_t>(status.st_size))
    {
        ::posix_fadvise(fd_.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
    }

    std::size_t read(char* buffer, std::size_t capacity) override
    {
        std::size_t filled = 0;
        while (filled < capacity) {
            ssize_t count = ::read(fd_.get(), buffer + filled, capacity - filled);
            if (count < 0 && errno == EINTR)
                continue;
            if (count < 0)
                throw DatError(label_, 0, systemReason("cannot read", errno));
            if (count == 0) {
                checkEndedWhereExpected();
                break;
            }
            filled += static_cast<std::size_t>(count);
            read_ += static_cast<std::uint64_t>(count);
        }
        return filled;
    }

    std::uint64_t consumed() const override { return read_; }

private:
    void checkEndedWhereExpected() const
    {
        if (read_ != expected_)
            throw DatError(label_, 0,
                           "the file changed while it was read (" + std::to_string(expected_) +
                               " bytes when opened, " + std::to_string(read_) +
                               " read); was another program writing it?");
    }

    FileDescriptor fd_;
    std::string label_;
    std::uint64_t expected_;
    std::uint64_t read_ = 0;
};

std::string describeNonRegular(mode_t mode)
{
    if (S_ISFIFO(mode))
        return "a pipe (FIFO)";
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return "a device";
    if (S_ISSOCK(mode))
        return "a socket";
    return "a special file";
}

enum class Container : std::uint8_t { None, Gzip, Zip };

// Reads the first bytes in place.
Container containerOf(int fd)
{
    std::array<char, 4> magic{};
    ssize_t count = ::pread(fd, magic.data(), magic.size(), 0);
    std::string_view start(magic.data(), count > 0 ? static_cast<std::size_t>(count) : 0);
    if (start.starts_with("\x1f\x8b"))
        return Container::Gzip;
    if (start == std::string_view("PK\x03\x04", 4) || start == std::string_view("PK\x05\x06", 4))
        return Container::Zip;
    return Container::None;
}

} // namespace

// Opened without blocking, so that a FIFO, which would wait for a writer that may never come, is
// seen for what it is and refused like every other file that is not a regular one.
std::unique_ptr<ByteSource> openByteSource(DatSource& source)
{
    FileDescriptor fd(::open(source.file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.get() < 0)
        throw DatError(source.file, 0, systemReason("cannot open", errno));
    struct stat status {};
    if (::fstat(fd.get(), &status) != 0)
        throw DatError(source.file, 0, systemReason("cannot read", errno));
    if (S_ISDIR(status.st_mode))
        throw DatError(source.file, 0, "is a folder, not a DAT file");
    if (!S_ISREG(status.st_mode))
        throw DatError(source.file, 0, "is " + describeNonRegular(status.st_mode) + ", not a regular file: a DAT must be a file on disk");
    Container container = containerOf(fd.get());
    if (container == Container::Zip)
        return openZipEntrySource(fd.release(), source);
    if (!source.entry.empty())
        throw EntryChoiceError(source.file + " is not a zip archive, so it has no entry '" + source.entry + "' to choose");
    if (container == Container::Gzip)
        return openGzipSource(fd.release(), source);
    return std::make_unique<PlainSource>(fd.release(), source.file, status);
}

} // namespace setdelta
