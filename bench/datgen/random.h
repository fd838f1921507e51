#pragma once

#include <cstddef>
#include <cstdint>

namespace datgen {

// SplitMix64: tiny, fast and the same on every platform and standard library, so a seed always
// gives byte-identical DATs (std::uniform_int_distribution is not portable in that way).
class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}

    std::uint64_t next()
    {
        std::uint64_t z = (state_ += 0x9e3779b97f4a7c15ULL);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        return z ^ (z >> 31);
    }

    // A value in [0, bound); bound must not be 0.
    std::uint32_t below(std::uint32_t bound)
    {
        return static_cast<std::uint32_t>(((next() >> 32) * bound) >> 32);
    }

    // A value in [low, high], both included.
    std::uint32_t between(std::uint32_t low, std::uint32_t high) { return low + below(high - low + 1); }

    bool chance(double probability)
    {
        return static_cast<double>(next() >> 11) * 0x1.0p-53 < probability;
    }

    template <typename T, std::size_t N>
    const T& pick(const T (&items)[N])
    {
        return items[below(static_cast<std::uint32_t>(N))];
    }

private:
    std::uint64_t state_;
};

} // namespace datgen
