#include "large_blocks.h"

#include <cstdint>
#include <sys/mman.h>

namespace setdelta {
namespace {

constexpr std::size_t pageSize = std::size_t{4} << 10;
constexpr std::size_t hugePageSize = std::size_t{2} << 20;
// Below this a block of the allocator is left to the heap: huge pages would waste more than
// they save.
constexpr std::size_t mappedFrom = hugePageSize;

std::size_t roundUp(std::size_t bytes, std::size_t unit)
{
    return (bytes + unit - 1) / unit * unit;
}

// A block of a huge page or more is mapped in whole huge pages, a smaller one in pages.
std::size_t mappedLength(std::size_t bytes)
{
    return roundUp(bytes, bytes >= hugePageSize ? hugePageSize : pageSize);
}

void checkSize(std::size_t bytes)
{
    if (bytes > std::size_t(-1) / 2)
        throw std::bad_alloc();
}

void* mapAnonymous(std::size_t length)
{
    void* mapped = ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED)
        throw std::bad_alloc();
    return mapped;
}

// Maps one huge page more than needed and trims both ends, so that the block starts on a huge
// page boundary and every huge page of it can be backed by one.
void* mapAligned(std::size_t length)
{
    void* mapped = mapAnonymous(length + hugePageSize);
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

void* mapBlock(std::size_t bytes)
{
    checkSize(bytes);
    std::size_t length = mappedLength(bytes);
    void* block = length >= hugePageSize ? mapAligned(length) : mapAnonymous(length);
    // Only advice: where huge pages are off, the block is ordinary memory. A small block keeps
    // the mark as it grows.
    ::madvise(block, length, MADV_HUGEPAGE);
    return block;
}

void* resizeMappedBlock(void* block, std::size_t oldBytes, std::size_t newBytes)
{
    checkSize(newBytes);
    void* moved = ::mremap(block, mappedLength(oldBytes), mappedLength(newBytes), MREMAP_MAYMOVE);
    if (moved == MAP_FAILED)
        throw std::bad_alloc();
    return moved;
}

void unmapBlock(void* block, std::size_t bytes) noexcept
{
    ::munmap(block, mappedLength(bytes));
}

void* allocateLargeBlock(std::size_t bytes)
{
    return bytes < mappedFrom ? ::operator new(bytes) : mapBlock(bytes);
}

void freeLargeBlock(void* block, std::size_t bytes) noexcept
{
    if (bytes < mappedFrom)
        ::operator delete(block);
    else
        unmapBlock(block, bytes);
}

} // namespace setdelta
