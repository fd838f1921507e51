#pragma once

#include <algorithm>
#include <cstddef>
#include <new>
#include <stdexcept>
#include <type_traits>
#include <utility>
#include <vector>

namespace setdelta {

// Memory for the arrays that grow with the DAT (its objects, the resolved sets' lists, the
// indices). A block of a huge page (2 MiB) or more is mapped on its own and marked for huge
// pages: a full MAME DAT touches hundreds of megabytes, and faulting them in 4 KiB pages costs
// more time than reading the file on some systems. Smaller blocks come from the ordinary heap.
void* allocateLargeBlock(std::size_t bytes);
void freeLargeBlock(void* block, std::size_t bytes) noexcept;

// A block mapped on its own, of at least `bytes`, that `resizeMappedBlock` can grow in place or
// move without copying. They throw std::bad_alloc when the memory cannot be had.
void* mapBlock(std::size_t bytes);
void* resizeMappedBlock(void* block, std::size_t oldBytes, std::size_t newBytes);
void unmapBlock(void* block, std::size_t bytes) noexcept;

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

// An array of plain values that only grows, for the largest arrays of a run (a DAT's objects,
// the resolved sets' lists). It doubles by remapping its pages, where a vector would copy what
// it holds into fresh memory each time and so touch twice as much.
template <typename T>
class GrowingArray {
    static_assert(std::is_trivially_copyable_v<T>);

public:
    GrowingArray() = default;
    GrowingArray(const GrowingArray&) = delete;
    GrowingArray& operator=(const GrowingArray&) = delete;
    GrowingArray(GrowingArray&& other) noexcept { swap(other); }
    GrowingArray& operator=(GrowingArray&& other) noexcept
    {
        GrowingArray moved(std::move(other));
        swap(moved);
        return *this;
    }
    ~GrowingArray()
    {
        if (data_)
            unmapBlock(data_, capacity_ * sizeof(T));
    }

    // By value: a value of the array itself stays valid while the array moves to grow.
    void push_back(T value)
    {
        if (size_ == capacity_)
            reserve(size_ + 1);
        data_[size_++] = value;
    }

    // The values must come from elsewhere: growing may move the array.
    template <typename Iterator>
    void append(Iterator first, Iterator last)
    {
        reserve(size_ + static_cast<std::size_t>(last - first));
        for (; first != last; ++first)
            data_[size_++] = *first;
    }

    // Makes room for `count` values in all, at least doubling the room there is.
    void reserve(std::size_t count)
    {
        if (count <= capacity_)
            return;
        if (count > maxCount)
            throw std::bad_alloc();
        std::size_t grown = std::max({count, 2 * capacity_, minimumCount});
        grown = std::min(grown, maxCount);
        data_ = static_cast<T*>(data_ ? resizeMappedBlock(data_, capacity_ * sizeof(T), grown * sizeof(T))
                                      : mapBlock(grown * sizeof(T)));
        capacity_ = grown;
    }

    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    T* data() { return data_; }
    const T* data() const { return data_; }
    T& operator[](std::size_t index) { return data_[index]; }
    const T& operator[](std::size_t index) const { return data_[index]; }
    const T& at(std::size_t index) const
    {
        if (index >= size_)
            throw std::out_of_range("GrowingArray::at");
        return data_[index];
    }
    T* begin() { return data_; }
    T* end() { return data_ + size_; }
    const T* begin() const { return data_; }
    const T* end() const { return data_ + size_; }

private:
    static constexpr std::size_t minimumCount = (std::size_t{64} << 10) / sizeof(T);
    static constexpr std::size_t maxCount = std::size_t(-1) / 4 / sizeof(T);

    void swap(GrowingArray& other) noexcept
    {
        std::swap(data_, other.data_);
        std::swap(size_, other.size_);
        std::swap(capacity_, other.capacity_);
    }

    T* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
};

} // namespace setdelta
