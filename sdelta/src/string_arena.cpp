#include "string_arena.h"

#include "large_blocks.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace setdelta {

StringArena::StringArena(StringArena&& other) noexcept
    : blocks_(std::exchange(other.blocks_, {})), cursor_(std::exchange(other.cursor_, nullptr)),
      left_(std::exchange(other.left_, 0)), nextBlockSize_(std::exchange(other.nextBlockSize_, firstBlockSize))
{
}

StringArena& StringArena::operator=(StringArena&& other) noexcept
{
    if (this != &other) {
        release();
        blocks_ = std::exchange(other.blocks_, {});
        cursor_ = std::exchange(other.cursor_, nullptr);
        left_ = std::exchange(other.left_, 0);
        nextBlockSize_ = std::exchange(other.nextBlockSize_, firstBlockSize);
    }
    return *this;
}

StringArena::~StringArena()
{
    release();
}

void StringArena::release() noexcept
{
    for (const Block& block : blocks_)
        freeLargeBlock(block.text, block.size);
    blocks_.clear();
}

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
    if (size > largestBlockSize / 4)
        return addBlock(size);
    if (size > left_) {
        std::size_t blockSize = std::max(nextBlockSize_, size);
        cursor_ = addBlock(blockSize);
        left_ = blockSize;
        nextBlockSize_ = std::min(2 * nextBlockSize_, largestBlockSize);
    }
    char* result = cursor_;
    cursor_ += size;
    left_ -= size;
    return result;
}

char* StringArena::addBlock(std::size_t size)
{
    blocks_.reserve(blocks_.size() + 1);
    auto* text = static_cast<char*>(allocateLargeBlock(size));
    blocks_.push_back({text, size});
    return text;
}

} // namespace setdelta
