#include "object_index.h"

#include <algorithm>

namespace setdelta {

// A counting sort by bucket: count, turn the counts into starts, then place.
void ObjectIndex::build()
{
    std::size_t buckets = std::bit_ceil(std::max<std::size_t>(entries_.size(), 2));
    shift_ = 64 - std::countr_zero(buckets);
    starts_.assign(buckets + 1, 0);
    for (const Entry& entry : entries_)
        ++starts_[bucketOf(entry.key) + 1];
    for (std::size_t bucket = 0; bucket < buckets; ++bucket)
        starts_[bucket + 1] += starts_[bucket];
    next_.assign(starts_.begin(), starts_.end() - 1);
    filed_.resize(entries_.size());
    for (const Entry& entry : entries_)
        filed_[next_[bucketOf(entry.key)]++] = entry;
    entries_.swap(filed_);
}

void ObjectIndex::clear()
{
    entries_.clear();
    starts_.clear();
}

} // namespace setdelta
