#include "delta.h"

#include "content.h"

#include <optional>
#include <unordered_set>

namespace setdelta {
namespace {

using ObjectList = std::vector<const Object*>;

ObjectList wholeSet(const ResolvedDat& dat, std::size_t set)
{
    auto objects = dat.objectsOf(set);
    return {objects.begin(), objects.end()};
}

ObjectList inSetOrder(std::span<const Object* const> objects, const std::unordered_set<const Object*>& wanted)
{
    ObjectList chosen;
    for (const Object* object : objects)
        if (wanted.contains(object))
            chosen.push_back(object);
    return chosen;
}

// The objects of a changed set worth fetching: its added objects and, with -r, the new
// sides of its renames, in the set's own order.
ObjectList addedSide(const ResolvedDat& newDat, const SetChange& change)
{
    if (change.renamed.empty())
        return change.added;
    std::unordered_set<const Object*> wanted(change.added.begin(), change.added.end());
    for (const Rename& rename : change.renamed)
        wanted.insert(rename.to);
    return inSetOrder(newDat.objectsOf(change.newSet), wanted);
}

// What an update takes away from a changed set: removed objects and, with -r, the old sides
// of its renames (which the new set no longer lists).
ObjectList removedSide(const ResolvedDat& oldDat, const SetChange& change)
{
    if (change.renamed.empty())
        return change.removed;
    std::unordered_set<const Object*> wanted(change.removed.begin(), change.removed.end());
    for (const Rename& rename : change.renamed)
        wanted.insert(rename.from);
    return inSetOrder(oldDat.objectsOf(change.oldSet), wanted);
}

// Every object the DAT lists, in any set and under any set type.
ContentIndex contentsOf(const Dat& dat)
{
    ContentIndex index(dat.kind);
    for (const Object& object : dat.objects)
        index.add(object);
    index.build();
    return index;
}

std::vector<DeltaSet> forwardDelta(const ResolvedDat& oldDat, const ResolvedDat& newDat,
                                   const Comparison& comparison, DeltaLevel level)
{
    std::vector<const SetChange*> changeOf(newDat.sets.size(), nullptr);
    for (const SetChange& change : comparison.changedSets)
        changeOf[change.newSet] = &change;
    std::vector<bool> isNew(newDat.sets.size(), false);
    for (std::size_t set : comparison.newSets)
        isNew[set] = true;

    std::optional<ContentIndex> oldContents;
    if (level == DeltaLevel::EvenSmaller)
        oldContents.emplace(contentsOf(*oldDat.dat));

    std::vector<DeltaSet> delta;
    for (std::size_t set = 0; set < newDat.sets.size(); ++set) {
        if (!isNew[set] && !changeOf[set])
            continue;
        ObjectList objects = (isNew[set] || level == DeltaLevel::Larger) ? wholeSet(newDat, set)
                                                                           : addedSide(newDat, *changeOf[set]);
        if (oldContents)
            std::erase_if(objects, [&](const Object* object) { return oldContents->holds(*object); });
        if (!objects.empty())
            delta.push_back({newDat.sets[set].set, std::move(objects)});
    }
    return delta;
}

std::vector<DeltaSet> archivalDelta(const ResolvedDat& oldDat, const Comparison& comparison)
{
    std::vector<const SetChange*> changeOf(oldDat.sets.size(), nullptr);
    for (const SetChange& change : comparison.changedSets)
        changeOf[change.oldSet] = &change;
    std::vector<bool> isRemoved(oldDat.sets.size(), false);
    for (std::size_t set : comparison.removedSets)
        isRemoved[set] = true;

    std::vector<DeltaSet> delta;
    for (std::size_t set = 0; set < oldDat.sets.size(); ++set) {
        if (isRemoved[set])
            delta.push_back({oldDat.sets[set].set, wholeSet(oldDat, set)});
        else if (changeOf[set])
            if (ObjectList objects = removedSide(oldDat, *changeOf[set]); !objects.empty())
                delta.push_back({oldDat.sets[set].set, std::move(objects)});
    }
    return delta;
}

} // namespace

std::vector<DeltaSet> selectDelta(const ResolvedDat& oldDat, const ResolvedDat& newDat,
                                  const Comparison& comparison, DeltaLevel level)
{
    if (level == DeltaLevel::RomArchival)
        return archivalDelta(oldDat, comparison);
    return forwardDelta(oldDat, newDat, comparison, level);
}

} // namespace setdelta
