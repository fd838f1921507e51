#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

namespace setdelta {

// Keeps the text of a DAT (names, descriptions) in blocks growing up to a few megabytes, so
// that a model of several hundred thousand objects costs a handful of allocations, a small DAT
// costs little, and the views never move.
class StringArena {
public:
    StringArena() = default;
    StringArena(const StringArena&) = delete;
    StringArena& operator=(const StringArena&) = delete;
    StringArena(StringArena&& other) noexcept;
    StringArena& operator=(StringArena&& other) noexcept;
    ~StringArena();

    std::string_view store(std::string_view text);

private:
    struct Block {
        char* text;
        std::size_t size;
    };

    static constexpr std::size_t firstBlockSize = std::size_t{1} << 12;
    static constexpr std::size_t largestBlockSize = std::size_t{4} << 20;

    char* allocate(std::size_t size);
    char* addBlock(std::size_t size);
    void release() noexcept;

    std::vector<Block> blocks_;
    char* cursor_ = nullptr;
    std::size_t left_ = 0;
    std::size_t nextBlockSize_ = firstBlockSize;
};

} // namespace setdelta
