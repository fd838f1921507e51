#pragma once

#include <cstddef>
#include <memory>
#include <string_view>
#include <vector>

namespace setdelta {

// Keeps the text of a DAT (names, descriptions) in large blocks, so that a model of several
// hundred thousand objects costs a handful of allocations and its views never move.
class StringArena {
public:
    std::string_view store(std::string_view text);

private:
    static constexpr std::size_t blockSize = std::size_t{1} << 20;

    char* allocate(std::size_t size);

    std::vector<std::unique_ptr<char[]>> blocks_;
    char* cursor_ = nullptr;
    std::size_t left_ = 0;
};

} // namespace setdelta
