#pragma once

#include <cstddef>
#include <memory>
#include <string_view>
#include <vector>

namespace setdelta {

// Keeps the text of a DAT (names, descriptions) in blocks growing up to a megabyte, so that a
// model of several hundred thousand objects costs a handful of allocations, a small DAT costs
// little, and the views never move.
class StringArena {
public:
    std::string_view store(std::string_view text);

private:
    static constexpr std::size_t firstBlockSize = std::size_t{1} << 12;
    static constexpr std::size_t largestBlockSize = std::size_t{1} << 20;

    char* allocate(std::size_t size);

    std::vector<std::unique_ptr<char[]>> blocks_;
    char* cursor_ = nullptr;
    std::size_t left_ = 0;
    std::size_t nextBlockSize_ = firstBlockSize;
};

} // namespace setdelta
