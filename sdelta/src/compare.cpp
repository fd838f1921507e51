#include "compare.h"

#include "content.h"
#include "parallel.h"

#include <algorithm>
#include <unordered_set>

namespace setdelta {
namespace {

using Objects = std::span<const Object* const>;

// The sets of most pairs list the same objects in the same order; that is seen without an index.
bool sameInOrder(Objects oldObjects, Objects newObjects, ObjectKind kind)
{
    return std::equal(oldObjects.begin(), oldObjects.end(), newObjects.begin(), newObjects.end(),
                      [&](const Object* a, const Object* b) { return sameObject(*a, *b, kind); });
}

// The objects of one set by name and content.
class NamesOfSet {
public:
    explicit NamesOfSet(ObjectKind kind) : index_(kind) {}

    // Indexes the objects at the positions `indexed` takes.
    template <typename Indexed>
    void assign(Objects objects, Indexed indexed)
    {
        index_.clear();
        for (std::size_t i = 0; i < objects.size(); ++i)
            if (indexed(i))
                index_.add(*objects[i]);
        index_.build();
    }

    bool holdsSame(const Object& object) const { return index_.holdsSame(object); }

private:
    NameIndex index_;
};

// The content of one set's objects, for the few objects of the other set it is asked about.
class ContentOfSet {
public:
    explicit ContentOfSet(ObjectKind kind) : index_(kind), asked_(kind) {}

    // Indexes the objects that may have the content of one of `asked`: an object sharing no
    // key with any of them can never be found, and a set that changed a little is asked about
    // few objects. Where it is asked about many, filtering would cost more than it saves.
    void assign(Objects objects, Objects asked)
    {
        index_.clear();
        if (!asked.empty()) {
            bool filter = 4 * asked.size() < objects.size();
            if (filter)
                indexAsked(asked);
            for (const Object* object : objects)
                if (!filter || asked_.mayHold(*object))
                    index_.add(*object);
        }
        index_.build();
    }

    // An object with the content of `object` under another name, preferring one that `prefer`
    // takes; null when there is none. `object` must be one of those the index was built for.
    template <typename Prefer>
    const Object* underOtherName(const Object& object, Prefer prefer) const
    {
        const Object* fallback = nullptr;
        auto preferred = [&](const Object& candidate) {
            if (candidate.name == object.name)
                return false;
            if (!fallback)
                fallback = &candidate;
            return prefer(candidate);
        };
        const Object* found = index_.find(object, 0, preferred);
        return found ? found : fallback;
    }

private:
    void indexAsked(Objects asked)
    {
        asked_.clear();
        for (const Object* object : asked)
            asked_.add(*object);
        asked_.build();
    }

    ContentIndex index_;
    ContentIndex asked_;
};

class SetComparer {
public:
    SetComparer(ObjectKind kind, bool withRenames)
        : kind_(kind), withRenames_(withRenames), oldNames_(kind), newNames_(kind), oldContent_(kind),
          newContent_(kind)
    {
    }

    // Fills the change's object lists; false when the two sets do not differ. `mayRepeat`: either
    // set may list an object twice.
    bool compare(Objects oldObjects, Objects newObjects, bool mayRepeat, SetChange& change)
    {
        if (sameInOrder(oldObjects, newObjects, kind_))
            return false;
        markSameAtPosition(oldObjects, newObjects);
        // An object equal to the other set's object at its place could equal another object of
        // that set only if that set listed it twice; where neither does, only the objects with
        // no equal at their place are indexed by name (few, in a large set that changed a little).
        onlyElsewhere_ = !mayRepeat;
        auto indexed = [&](std::size_t position) { return !onlyElsewhere_ || !sameAt(position); };
        oldNames_.assign(oldObjects, indexed);
        newNames_.assign(newObjects, indexed);
        oldElsewhere_.clear();
        oldElsewhereSorted_ = false;
        if (onlyElsewhere_)
            for (std::size_t i = 0; i < oldObjects.size(); ++i)
                if (!sameAt(i))
                    oldElsewhere_.push_back(oldObjects[i]);
        listUnmatched(newObjects, oldNames_, newUnmatched_);
        listUnmatched(oldObjects, newNames_, oldUnmatched_);
        oldContent_.assign(oldObjects, newUnmatched_);
        newContent_.assign(newObjects, oldUnmatched_);
        renamedFrom_.clear();
        for (const Object* object : newUnmatched_)
            classifyAdded(*object, change);
        for (const Object* object : oldUnmatched_)
            classifyRemoved(*object, change);
        return !change.added.empty() || !change.removed.empty() || !change.renamed.empty();
    }

private:
    // A changed set mostly still lists what it listed, at the same place: an object equal to
    // the other side's object at its position is held by both, with no lookup.
    void markSameAtPosition(Objects oldObjects, Objects newObjects)
    {
        std::size_t common = std::min(oldObjects.size(), newObjects.size());
        sameAtPosition_.assign(common, false);
        for (std::size_t i = 0; i < common; ++i)
            sameAtPosition_[i] = sameObject(*oldObjects[i], *newObjects[i], kind_);
    }

    bool sameAt(std::size_t position) const
    {
        return position < sameAtPosition_.size() && sameAtPosition_[position];
    }

    // The objects of one set that the other set does not list: added or removed, or a side of
    // a rename.
    void listUnmatched(Objects objects, const NamesOfSet& otherNames, std::vector<const Object*>& unmatched) const
    {
        unmatched.clear();
        for (std::size_t i = 0; i < objects.size(); ++i)
            if (!sameAt(i) && !otherNames.holdsSame(*objects[i]))
                unmatched.push_back(objects[i]);
    }

    // Whether the new set lists an object of the old set, which may be one with an equal at its
    // place (a candidate for the old side of a rename).
    bool newListsSame(const Object& oldObject)
    {
        if (onlyElsewhere_ && hasEqualAtItsPlace(oldObject))
            return true;
        return newNames_.holdsSame(oldObject);
    }

    // Only asked where no set lists an object twice, so each object is at one place.
    bool hasEqualAtItsPlace(const Object& oldObject)
    {
        if (!oldElsewhereSorted_) {
            std::sort(oldElsewhere_.begin(), oldElsewhere_.end());
            oldElsewhereSorted_ = true;
        }
        return !std::binary_search(oldElsewhere_.begin(), oldElsewhere_.end(), &oldObject);
    }

    // The old side of a rename is preferably an object the new set no longer lists; where the
    // new set still lists it unchanged, the added object is a copy and nothing was taken away.
    void classifyAdded(const Object& object, SetChange& change)
    {
        const Object* source = oldContent_.underOtherName(
            object, [&](const Object& candidate) { return !newListsSame(candidate); });
        if (!source) {
            change.added.push_back(&object);
            return;
        }
        if (!withRenames_)
            return;
        change.renamed.push_back({source, &object, newListsSame(*source)});
        renamedFrom_.insert(source);
    }

    // The rename is usually recorded already from its added side.
    void classifyRemoved(const Object& object, SetChange& change)
    {
        const Object* target = newContent_.underOtherName(object, [](const Object&) { return true; });
        if (!target) {
            change.removed.push_back(&object);
            return;
        }
        if (withRenames_ && renamedFrom_.insert(&object).second)
            change.renamed.push_back({&object, target, false});
    }

    ObjectKind kind_;
    bool withRenames_;
    NamesOfSet oldNames_;
    NamesOfSet newNames_;
    ContentOfSet oldContent_;
    ContentOfSet newContent_;
    std::vector<const Object*> newUnmatched_;
    std::vector<const Object*> oldUnmatched_;
    std::unordered_set<const Object*> renamedFrom_;
    std::vector<bool> sameAtPosition_;
    bool onlyElsewhere_ = false;               // only objects with no equal at their place are indexed
    std::vector<const Object*> oldElsewhere_; // then, the old set's such objects
    bool oldElsewhereSorted_ = false;
};

// NEW's sets from `first` to `last` against OLD: which are new and which changed.
Comparison compareSets(const ResolvedDat& oldDat, const ResolvedDat& newDat, bool withRenames, std::size_t first,
                       std::size_t last)
{
    Comparison result;
    SetComparer comparer(newDat.dat->kind, withRenames);
    for (std::size_t newSet = first; newSet < last; ++newSet) {
        std::ptrdiff_t oldSet = oldDat.find(newDat.sets[newSet].set->name);
        if (oldSet < 0) {
            result.newSets.push_back(newSet);
            continue;
        }
        SetChange change;
        change.oldSet = static_cast<std::size_t>(oldSet);
        change.newSet = newSet;
        bool mayRepeat = oldDat.sets[change.oldSet].mayRepeat || newDat.sets[newSet].mayRepeat;
        if (comparer.compare(oldDat.objectsOf(change.oldSet), newDat.objectsOf(newSet), mayRepeat, change))
            result.changedSets.push_back(std::move(change));
    }
    return result;
}

// The first set of the second half of a DAT's sets, the halves holding about as many objects.
std::size_t middleByObjects(const ResolvedDat& dat)
{
    std::size_t total = 0;
    for (const ResolvedSet& set : dat.sets)
        total += set.count;
    std::size_t before = 0;
    for (std::size_t set = 0; set < dat.sets.size(); ++set) {
        if (2 * before >= total)
            return set;
        before += dat.sets[set].count;
    }
    return dat.sets.size();
}

} // namespace

// The sets are compared in two halves at once, one per thread.
Comparison compare(const ResolvedDat& oldDat, const ResolvedDat& newDat, bool withRenames, const ThreadStarter& start)
{
    std::size_t middle = middleByObjects(newDat);
    Comparison result;
    Comparison secondHalf;
    runBoth([&] { result = compareSets(oldDat, newDat, withRenames, 0, middle); },
            [&] { secondHalf = compareSets(oldDat, newDat, withRenames, middle, newDat.sets.size()); }, start);
    result.newSets.insert(result.newSets.end(), secondHalf.newSets.begin(), secondHalf.newSets.end());
    result.changedSets.insert(result.changedSets.end(), std::make_move_iterator(secondHalf.changedSets.begin()),
                              std::make_move_iterator(secondHalf.changedSets.end()));
    for (std::size_t oldSet = 0; oldSet < oldDat.sets.size(); ++oldSet)
        if (newDat.find(oldDat.sets[oldSet].set->name) < 0)
            result.removedSets.push_back(oldSet);
    return result;
}

} // namespace setdelta
