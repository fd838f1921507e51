#include "large_blocks.h"

#include <cstdint>
#include <sys/mman.h>

namespace setdelta {
namespace {

constexpr std::size_t hugePageSize = std::size_t{2} << 20;
// Below this a block is left to the heap: huge pages would waste more than they save.
constexpr std::size_t mappedFrom = 2 * hugePageSize;

std::size_t roundUp(std::size_t bytes, std::size_t unit)
{
    return (bytes + unit - 1) / unit * unit;
}

// Maps one huge page more than needed and trims both ends, so that the block starts on a huge
// page boundary and every huge page of it can be backed by one.
void* mapAligned(std::size_t length)
{
    void* mapped = ::mmap(nullptr, length + hugePageSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED)
        throw std::bad_alloc();
    auto start = reinterpret_cast<std::uintptr_t>(mapped);
    std::uintptr_t aligned = roundUp(start, hugePageSize);
    if (aligned > start)
        ::munmap(mapped, aligned - start);
    std::size_t tail = hugePageSize - (aligned - start);
    if (tail > 0)
        ::munmap(reinterpret_cast<void*>(aligned + length), tail);
    return reinterpret_cast<void*>(aligned);
}

} // namespace

void* allocateLargeBlock(std::size_t bytes)
{
    if (bytes < mappedFrom)
        return ::operator new(bytes);
    if (bytes > std::size_t(-1) / 2)
        throw std::bad_alloc();
    std::size_t length = roundUp(bytes, hugePageSize);
    void* block = mapAligned(length);
    // Only advice: where huge pages are off, the block is ordinary memory.
    ::madvise(block, length, MADV_HUGEPAGE);
    return block;
}

void freeLargeBlock(void* block, std::size_t bytes)
{
    if (bytes < mappedFrom)
        ::operator delete(block);
    else
        ::munmap(block, roundUp(bytes, hugePageSize));
}

} // namespace setdelta
