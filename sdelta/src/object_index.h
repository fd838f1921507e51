#pragma once

#include "dat.h"
#include "large_blocks.h"

#include <bit>
#include <cstdint>
#include <vector>

namespace setdelta {

// Objects filed under 64-bit keys within scopes (a scope is a number the caller gives, such as
// a set's index), for lookups in constant time. Entries are added, then build() files them in
// buckets by key, keeping the order they were added in, so that among equal matches the
// first one added is found first. Built in linear time, with two arrays and no allocation per
// entry; an index cleared and built again (one set after another) reuses its arrays.
class ObjectIndex {
public:
    void add(std::uint64_t key, std::size_t scope, const Object& object)
    {
        entries_.push_back({key, scope, &object});
    }

    void build();
    void clear();

    // The first object filed under the key in the scope that `accept` takes, or null.
    template <typename Accept>
    const Object* find(std::uint64_t key, std::size_t scope, Accept accept) const
    {
        if (entries_.empty())
            return nullptr;
        std::size_t bucket = bucketOf(key);
        for (std::uint32_t i = starts_[bucket]; i < starts_[bucket + 1]; ++i) {
            const Entry& entry = entries_[i];
            if (entry.key == key && entry.scope == scope && accept(*entry.object))
                return entry.object;
        }
        return nullptr;
    }

private:
    struct Entry {
        std::uint64_t key;
        std::size_t scope;
        const Object* object;
    };

    std::size_t bucketOf(std::uint64_t key) const
    {
        return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ULL) >> shift_);
    }

    LargeVector<Entry> entries_;
    LargeVector<std::uint32_t> starts_; // per bucket, the first entry; one more at the end
    LargeVector<std::uint32_t> next_;   // while building: per bucket, where its next entry goes
    LargeVector<Entry> filed_;          // while building: the entries in bucket order
    int shift_ = 63;
};

// Mixes a scope into a key, so that the same key in many scopes spreads over the buckets.
inline std::uint64_t scopedKey(std::uint64_t key, std::size_t scope)
{
    return key ^ (static_cast<std::uint64_t>(scope) + 1) * 0xC2B2AE3D27D4EB4FULL;
}

} // namespace setdelta
