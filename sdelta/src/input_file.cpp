#include "input_file.h"

#include <algorithm>
#include <cstring>

namespace setdelta {

InputFile::InputFile(std::string path, std::string entry, std::size_t blockSize)
    : source_{std::move(path), std::move(entry)}
    , bytes_(openByteSource(source_))
    , name_(source_.label())
    , blockSize_(blockSize)
    , first_(std::make_unique_for_overwrite<char[]>(blockSize_))
{
    for (std::size_t count = 1; count > 0 && firstSize_ < blockSize_; firstSize_ += count)
        count = bytes_->read(first_.get() + firstSize_, blockSize_ - firstSize_);
    constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";
    if (firstBlock().starts_with(byteOrderMark))
        firstOffset_ = byteOrderMark.size();
}

std::size_t InputFile::read(char* buffer, std::size_t capacity)
{
    if (firstOffset_ < firstSize_) {
        std::size_t count = std::min(capacity, firstSize_ - firstOffset_);
        std::memcpy(buffer, first_.get() + firstOffset_, count);
        firstOffset_ += count;
        return count;
    }
    return bytes_->read(buffer, capacity);
}

} // namespace setdelta
