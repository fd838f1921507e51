#include "moves.h"

#include "content.h"

#include <algorithm>
#include <cstdint>
#include <tuple>
#include <unordered_map>
#include <unordered_set>

namespace setdelta {
namespace {

using ObjectList = std::vector<const Object*>;

// A removed or a new set as moves see it.
struct Side {
    std::size_t set = 0;  // index into the resolved DAT's sets
    ObjectList objects;   // its non-merged objects, BIOS and nodump objects left out
    ObjectList contents;  // one object of each distinct content
};

// A removed and a new set, by their place among the sides, that may be a move.
struct Pair {
    std::size_t shared = 0;
    std::size_t nameGap = 0;
    std::size_t removed = 0;
    std::size_t added = 0;
};

// Each object whose content no object before it in the list has.
ObjectList distinctContents(const ObjectList& objects, ContentIndex& index)
{
    index.clear();
    for (const Object* object : objects)
        index.add(*object);
    index.build();
    ObjectList contents;
    for (const Object* object : objects)
        if (index.find(*object, 0, [](const Object&) { return true; }) == object)
            contents.push_back(object);
    return contents;
}

std::vector<Side> sidesOf(const ResolvedDat& dat, std::span<const std::size_t> sets)
{
    std::vector<std::size_t> inDat;
    inDat.reserve(sets.size());
    for (std::size_t set : sets)
        inDat.push_back(static_cast<std::size_t>(dat.sets[set].set - dat.dat->sets.data()));
    std::vector<ObjectList> lists = nonMergedObjectsOf(*dat.dat, inDat);
    ContentIndex index(dat.dat->kind);
    std::vector<Side> sides;
    for (std::size_t i = 0; i < sets.size(); ++i) {
        ObjectList contents = distinctContents(lists[i], index);
        if (!contents.empty())
            sides.push_back({sets[i], std::move(lists[i]), std::move(contents)});
    }
    return sides;
}

// Counts, for one removed set after another, the contents it shares with each new set, through
// one index of the new sets' contents.
class SharedContents {
public:
    SharedContents(const std::vector<Side>& added, ObjectKind kind)
        : index_(kind), lastContent_(added.size(), 0), shared_(added.size(), 0)
    {
        for (std::uint32_t set = 0; set < added.size(); ++set) {
            for (const Object* content : added[set].contents) {
                std::vector<std::uint32_t>& holders = holders_[content];
                if (holders.empty())
                    index_.add(*content);
                holders.push_back(set);
            }
        }
        index_.build();
    }

    // The new sets that share a content with `removed`, each with the number it shares.
    std::vector<std::pair<std::uint32_t, std::size_t>> with(const Side& removed)
    {
        touched_.clear();
        for (const Object* content : removed.contents) {
            ++stamp_;
            index_.find(*content, 0, [&](const Object& candidate) {
                for (std::uint32_t set : holders_.at(&candidate))
                    count(set);
                return false;
            });
        }
        std::vector<std::pair<std::uint32_t, std::size_t>> counts;
        counts.reserve(touched_.size());
        for (std::uint32_t set : touched_) {
            counts.emplace_back(set, shared_[set]);
            shared_[set] = 0;
        }
        return counts;
    }

private:
    // A content is counted once per new set, though the set may hold it under two keys.
    void count(std::uint32_t set)
    {
        if (lastContent_[set] == stamp_)
            return;
        lastContent_[set] = stamp_;
        if (shared_[set]++ == 0)
            touched_.push_back(set);
    }

    ContentIndex index_;
    std::unordered_map<const Object*, std::vector<std::uint32_t>> holders_;
    std::vector<std::uint64_t> lastContent_; // per new set, the content it was last counted for
    std::vector<std::size_t> shared_;
    std::vector<std::uint32_t> touched_;
    std::uint64_t stamp_ = 0;
};

std::size_t nameGap(const Side& removed, const Side& added, const ResolvedDat& oldDat, const ResolvedDat& newDat)
{
    std::size_t oldLength = oldDat.sets[removed.set].set->name.size();
    std::size_t newLength = newDat.sets[added.set].set->name.size();
    return oldLength > newLength ? oldLength - newLength : newLength - oldLength;
}

// The order in which pairs are taken: most shared contents, closer name lengths, OLD's order,
// NEW's order.
bool takenBefore(const Pair& a, const Pair& b)
{
    if (a.shared != b.shared)
        return a.shared > b.shared;
    return std::tie(a.nameGap, a.removed, a.added) < std::tie(b.nameGap, b.removed, b.added);
}

// Where many sets hold the same contents (a DAT made to be slow), each removed set keeps only its
// best pairs, so that the pairs take memory in proportion to the sets.
constexpr std::size_t mostPairsPerSet = 64;

// The pairs that share at least half of the contents of each of their sets.
std::vector<Pair> candidatePairs(const std::vector<Side>& removed, const std::vector<Side>& added,
                                 const ResolvedDat& oldDat, const ResolvedDat& newDat)
{
    SharedContents shared(added, newDat.dat->kind);
    std::vector<Pair> pairs;
    for (std::size_t r = 0; r < removed.size(); ++r) {
        std::size_t first = pairs.size();
        for (auto [a, count] : shared.with(removed[r])) {
            if (2 * count >= removed[r].contents.size() && 2 * count >= added[a].contents.size())
                pairs.push_back({count, nameGap(removed[r], added[a], oldDat, newDat), r, a});
        }
        if (pairs.size() - first > mostPairsPerSet) {
            auto begin = pairs.begin() + static_cast<std::ptrdiff_t>(first);
            std::partial_sort(begin, begin + mostPairsPerSet, pairs.end(), takenBefore);
            pairs.resize(first + mostPairsPerSet);
        }
    }
    return pairs;
}

// The new set's objects that are neither added nor the new side of a rename: those the old set
// lists with the same name and content.
ObjectList keptObjects(const ObjectList& newObjects, const SetChange& change)
{
    std::unordered_set<const Object*> changed(change.added.begin(), change.added.end());
    for (const Rename& rename : change.renamed)
        changed.insert(rename.to);
    ObjectList kept;
    for (const Object* object : newObjects)
        if (!changed.contains(object))
            kept.push_back(object);
    return kept;
}

} // namespace

std::vector<Move> findMoves(const ResolvedDat& oldDat, const ResolvedDat& newDat,
                            std::span<const std::size_t> removedSets, std::span<const std::size_t> newSets)
{
    if (removedSets.empty() || newSets.empty())
        return {};
    std::vector<Side> removed = sidesOf(oldDat, removedSets);
    std::vector<Side> added = sidesOf(newDat, newSets);
    std::vector<Pair> pairs = candidatePairs(removed, added, oldDat, newDat);
    std::sort(pairs.begin(), pairs.end(), takenBefore);
    std::vector<bool> removedTaken(removed.size(), false);
    std::vector<bool> addedTaken(added.size(), false);
    std::vector<const Pair*> taken;
    for (const Pair& pair : pairs) {
        if (removedTaken[pair.removed] || addedTaken[pair.added])
            continue;
        removedTaken[pair.removed] = addedTaken[pair.added] = true;
        taken.push_back(&pair);
    }
    std::sort(taken.begin(), taken.end(), [](const Pair* a, const Pair* b) { return a->removed < b->removed; });

    std::vector<Move> moves;
    moves.reserve(taken.size());
    for (const Pair* pair : taken) {
        const Side& from = removed[pair->removed];
        const Side& to = added[pair->added];
        Move move{{.oldSet = from.set, .newSet = to.set}, pair->shared, from.contents.size(), to.contents.size()};
        compareObjects(from.objects, to.objects, newDat.dat->kind, true, move.change);
        move.kept = keptObjects(to.objects, move.change);
        moves.push_back(std::move(move));
    }
    return moves;
}

} // namespace setdelta
