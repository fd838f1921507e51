#pragma once

#include "dat.h"
#include "large_blocks.h"

#include <span>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace setdelta {

enum class SetType : std::uint8_t { Split, Merged, NonMerged };

struct ResolveOptions {
    SetType setType = SetType::Split;
    bool includeNodump = false;    // -z
    bool nonSeparatedBios = false; // -b
};

struct ResolvedSet {
    const Set* set = nullptr;
    std::uint32_t first = 0;
    std::uint32_t count = 0;
    bool mayRepeat = true; // false where the set is known to list no object twice
};

// A DAT seen as sets of one set type: each set with the objects it holds under that type.
// Sets that end up with no object are left out.
class ResolvedDat {
public:
    const Dat* dat = nullptr;
    std::vector<ResolvedSet> sets;

    std::span<const Object* const> objectsOf(const ResolvedSet& set) const
    {
        return {objects_.data() + set.first, set.count};
    }
    std::span<const Object* const> objectsOf(std::size_t index) const { return objectsOf(sets[index]); }

    // Index into `sets` of the set of that name, or -1.
    std::ptrdiff_t find(std::string_view name) const;

    // The objects of every set are kept in one list. A set's objects are stored first, in any
    // order of sets, then the set is added with the range they take; sets are added in the
    // DAT's order. A clone's list can so be made from its parent's, stored before it.
    std::uint32_t storedCount() const { return static_cast<std::uint32_t>(objects_.size()); }
    const Object* storedAt(std::uint32_t position) const { return objects_[position]; }
    void store(const Object* object) { objects_.push_back(object); }
    void add(const Set& set, std::uint32_t first, std::uint32_t count, bool mayRepeat);
    void add(const Set& set, std::span<const Object* const> objects, bool mayRepeat);
    void buildIndex();

private:
    GrowingArray<const Object*> objects_;
    std::unordered_map<std::string_view, std::size_t> index_;
};

ResolvedDat resolve(const Dat& dat, const ResolveOptions& options);

// What some sets of a DAT hold as non-merged sets, BIOS and nodump objects left out, whatever
// set type the run uses: by `sets` (indices into dat.sets), the objects of each. Only those
// sets and their parents are looked at.
std::vector<std::vector<const Object*>> nonMergedObjectsOf(const Dat& dat, std::span<const std::size_t> sets);

} // namespace setdelta
