#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace setdelta {

// An output that cannot be written.
class OutputError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A file written through a temporary file in the same folder and renamed over the target by
// commit(), so a failed run never leaves a partial or stale-looking result behind. Writes
// are gathered in a large buffer. Throws OutputError.
class OutputFile {
public:
    explicit OutputFile(std::string path);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    void write(std::string_view text);
    void commit();

private:
    static constexpr std::size_t flushThreshold = std::size_t{1} << 20;

    void flush();
    [[noreturn]] void fail(const std::string& action, int error);

    std::string path_;
    std::string temporaryPath_;
    int fd_ = -1;
    std::string buffer_;
};

} // namespace setdelta
