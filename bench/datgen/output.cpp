#include "output.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <stdexcept>

namespace datgen {
namespace {

std::runtime_error fileError(const std::string& path, const char* what)
{
    return std::runtime_error(path + ": " + what + ": " + std::strerror(errno));
}

// Devices and pipes (/dev/null, /dev/stdout) are written as they are: renaming a file over one
// would replace it.
bool writesInPlace(const std::string& path)
{
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    return !error && std::filesystem::exists(status) && !std::filesystem::is_regular_file(status);
}

} // namespace

Output::Output(std::string path)
    : path_(std::move(path)),
      inPlace_(writesInPlace(path_)),
      partPath_(inPlace_ ? path_ : path_ + ".part"),
      file_(std::fopen(partPath_.c_str(), "wb"), &std::fclose)
{
    if (!file_)
        throw fileError(partPath_, "cannot create");
    buffer_.reserve(kFlushSize + 4096);
}

Output::~Output()
{
    if (file_) {
        file_.reset();
        if (!inPlace_)
            std::remove(partPath_.c_str());
    }
}

Output& Output::operator<<(Decimal number)
{
    char digits[24];
    const auto result = std::to_chars(digits, digits + sizeof digits, number.value);
    buffer_.append(digits, result.ptr);
    return *this;
}

Output& Output::operator<<(Hex number)
{
    char digits[16];
    const auto result = std::to_chars(digits, digits + sizeof digits, number.value, 16);
    for (auto length = result.ptr - digits; length < number.minimumDigits; ++length)
        buffer_.push_back('0');
    buffer_.append(digits, result.ptr);
    return *this;
}

Output& Output::operator<<(HexBytes bytes)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    for (const std::uint8_t byte : bytes.bytes) {
        buffer_.push_back(kDigits[byte >> 4]);
        buffer_.push_back(kDigits[byte & 15]);
    }
    return *this;
}

void Output::flush()
{
    if (std::fwrite(buffer_.data(), 1, buffer_.size(), file_.get()) != buffer_.size())
        throw fileError(partPath_, "cannot write");
    written_ += buffer_.size();
    buffer_.clear();
}

void Output::commit()
{
    flush();
    if (std::fclose(file_.release()) != 0)
        throw fileError(partPath_, "cannot write");
    if (!inPlace_ && std::rename(partPath_.c_str(), path_.c_str()) != 0)
        throw fileError(path_, "cannot replace");
}

} // namespace datgen
