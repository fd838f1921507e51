#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace datgen {

// Formatting tags for Output, so a chain of << reads as the XML line it writes.
struct Decimal {
    std::uint64_t value;
};
struct Hex {
    std::uint64_t value;
    int minimumDigits = 1;
};
struct HexBytes {
    const std::array<std::uint8_t, 20>& bytes;
};

// Buffered writer for hundreds of megabytes of text. It writes to "<path>.part" and renames it
// over <path> only in commit(), so an interrupted run never leaves a truncated DAT that a later
// benchmark run would take for a complete one. Devices and pipes are written in place.
class Output {
public:
    explicit Output(std::string path);
    ~Output();
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;

    Output& operator<<(std::string_view text)
    {
        buffer_.append(text);
        if (buffer_.size() >= kFlushSize)
            flush();
        return *this;
    }
    Output& operator<<(char c)
    {
        buffer_.push_back(c);
        return *this;
    }
    Output& operator<<(Decimal number);
    Output& operator<<(Hex number);
    Output& operator<<(HexBytes bytes);

    void commit();
    std::uint64_t bytesWritten() const { return written_ + buffer_.size(); }

private:
    static constexpr std::size_t kFlushSize = 1 << 20;
    void flush();

    std::string path_;
    bool inPlace_;
    std::string partPath_;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file_;
    std::string buffer_;
    std::uint64_t written_ = 0;
};

} // namespace datgen
