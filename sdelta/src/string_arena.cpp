#include "string_arena.h"

#include <algorithm>
#include <cstring>

namespace setdelta {

std::string_view StringArena::store(std::string_view text)
{
    if (text.empty())
        return {};
    char* copy = allocate(text.size());
    std::memcpy(copy, text.data(), text.size());
    return {copy, text.size()};
}

char* StringArena::allocate(std::size_t size)
{
    // A long text gets a block of its own so the current block's tail is not wasted.
    if (size > largestBlockSize / 4) {
        blocks_.push_back(std::make_unique_for_overwrite<char[]>(size));
        return blocks_.back().get();
    }
    if (size > left_) {
        std::size_t blockSize = std::max(nextBlockSize_, size);
        blocks_.push_back(std::make_unique_for_overwrite<char[]>(blockSize));
        cursor_ = blocks_.back().get();
        left_ = blockSize;
        nextBlockSize_ = std::min(2 * nextBlockSize_, largestBlockSize);
    }
    char* result = cursor_;
    cursor_ += size;
    left_ -= size;
    return result;
}

} // namespace setdelta
