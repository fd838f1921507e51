#pragma once

#include <cstddef>
#include <new>
#include <vector>

namespace setdelta {

// Memory for the arrays that grow with the DAT (its objects, the resolved sets' lists, the
// indices). A block of a few megabytes or more is mapped on its own and marked for huge pages:
// a full MAME DAT touches hundreds of megabytes, and faulting them in 4 KiB pages costs more
// time than reading the file on some systems. Smaller blocks come from the ordinary heap.
void* allocateLargeBlock(std::size_t bytes);
void freeLargeBlock(void* block, std::size_t bytes);

template <typename T>
class LargeBlockAllocator {
public:
    using value_type = T;

    LargeBlockAllocator() = default;
    template <typename U>
    LargeBlockAllocator(const LargeBlockAllocator<U>&) noexcept
    {
    }

    T* allocate(std::size_t count)
    {
        if (count > std::size_t(-1) / sizeof(T))
            throw std::bad_array_new_length();
        return static_cast<T*>(allocateLargeBlock(count * sizeof(T)));
    }

    void deallocate(T* block, std::size_t count) noexcept { freeLargeBlock(block, count * sizeof(T)); }

    template <typename U>
    bool operator==(const LargeBlockAllocator<U>&) const noexcept
    {
        return true;
    }
};

template <typename T>
using LargeVector = std::vector<T, LargeBlockAllocator<T>>;

} // namespace setdelta
