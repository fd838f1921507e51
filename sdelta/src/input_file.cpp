#include "input_file.h"

#include <algorithm>
#include <cstring>
#include <filesystem>

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
    const std::size_t count = bytes_->read(buffer, capacity);
    if (progress_ && count == 0)
        progress_->finish();
    else if (progress_)
        progress_->advance(bytes_->consumed());
    return count;
}

void InputFile::reportTo(InputProgress& progress)
{
    progress_ = &progress;
    std::error_code error;
    const std::uintmax_t size = std::filesystem::is_regular_file(source_.file, error)
                                    ? std::filesystem::file_size(source_.file, error)
                                    : 0;
    progress.start(error ? 0 : size);
    progress.advance(bytes_->consumed());
}

} // namespace setdelta
