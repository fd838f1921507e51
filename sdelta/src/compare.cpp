#include "compare.h"

#include "content.h"
#include "moves.h"
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

    struct Holders {
        const Object* unmatched = nullptr; // one the other set does not list: a side of a rename
        const Object* any = nullptr;       // the first of all
    };

    // The objects with the content of `object` under another name, null where there is none.
    // `object` must be one of those the index was built for.
    template <typename Unmatched>
    Holders underOtherName(const Object& object, Unmatched unmatched) const
    {
        Holders holders;
        auto found = [&](const Object& candidate) {
            if (candidate.name == object.name)
                return false;
            if (!holders.any)
                holders.any = &candidate;
            return unmatched(candidate);
        };
        holders.unmatched = index_.find(object, 0, found);
        return holders;
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
        bool onlyElsewhere = !mayRepeat;
        auto indexed = [&](std::size_t position) { return !onlyElsewhere || !sameAt(position); };
        oldNames_.assign(oldObjects, indexed);
        newNames_.assign(newObjects, indexed);
        listUnmatched(newObjects, oldNames_, newUnmatched_, newUnmatchedSorted_);
        listUnmatched(oldObjects, newNames_, oldUnmatched_, oldUnmatchedSorted_);
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
    // a rename. `sorted` gets them in address order, to tell them apart from the listed ones.
    void listUnmatched(Objects objects, const NamesOfSet& otherNames, std::vector<const Object*>& unmatched,
                       std::vector<const Object*>& sorted) const
    {
        unmatched.clear();
        for (std::size_t i = 0; i < objects.size(); ++i)
            if (!sameAt(i) && !otherNames.holdsSame(*objects[i]))
                unmatched.push_back(objects[i]);
        sorted.assign(unmatched.begin(), unmatched.end());
        std::sort(sorted.begin(), sorted.end());
    }

    static bool isAmong(const std::vector<const Object*>& sorted, const Object& object)
    {
        return std::binary_search(sorted.begin(), sorted.end(), &object);
    }

    // Both sides of a rename are objects the other set does not list: an object both sets list
    // under the same name and content stays what it is. An added object whose content the old
    // set has only under names the new set keeps is a copy of it, and added.
    void classifyAdded(const Object& object, SetChange& change)
    {
        const Object* source =
            oldContent_
                .underOtherName(object, [&](const Object& candidate) { return isAmong(oldUnmatchedSorted_, candidate); })
                .unmatched;
        if (!source) {
            change.added.push_back(&object);
            return;
        }
        if (!withRenames_)
            return;
        change.renamed.push_back({source, &object});
        renamedFrom_.insert(source);
    }

    // The rename is usually recorded already from its added side. A removed object whose content
    // the new set keeps under another name (a dropped alias) is removed, and says where its
    // content stays.
    void classifyRemoved(const Object& object, SetChange& change)
    {
        auto holders =
            newContent_.underOtherName(object, [&](const Object& candidate) { return isAmong(newUnmatchedSorted_, candidate); });
        if (!holders.unmatched) {
            change.removed.push_back(&object);
            change.removedContentKeptAs.push_back(holders.any);
            return;
        }
        if (withRenames_ && renamedFrom_.insert(&object).second)
            change.renamed.push_back({&object, holders.unmatched});
    }

    ObjectKind kind_;
    bool withRenames_;
    NamesOfSet oldNames_;
    NamesOfSet newNames_;
    ContentOfSet oldContent_;
    ContentOfSet newContent_;
    std::vector<const Object*> newUnmatched_;
    std::vector<const Object*> oldUnmatched_;
    std::vector<const Object*> newUnmatchedSorted_;
    std::vector<const Object*> oldUnmatchedSorted_;
    std::unordered_set<const Object*> renamedFrom_;
    std::vector<bool> sameAtPosition_;
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

bool compareObjects(std::span<const Object* const> oldObjects, std::span<const Object* const> newObjects,
                    ObjectKind kind, bool withRenames, SetChange& change)
{
    return SetComparer(kind, withRenames).compare(oldObjects, newObjects, true, change);
}

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
    result.movedSets = findMoves(oldDat, newDat, result.removedSets, result.newSets);
    return result;
}

} // namespace setdelta
