#include "compare.h"

#include "content.h"

#include <algorithm>

namespace setdelta {
namespace {

using Objects = std::span<const Object* const>;

bool byName(const Object* a, const Object* b)
{
    return a->name < b->name;
}

// Objects of one set sorted by name, so each lookup by name is a binary search.
class NameSorted {
public:
    void assign(Objects objects)
    {
        sorted_.assign(objects.begin(), objects.end());
        std::sort(sorted_.begin(), sorted_.end(), byName);
    }

    bool holdsSame(const Object& object, ObjectKind kind) const
    {
        auto [first, last] = std::equal_range(sorted_.begin(), sorted_.end(), &object, byName);
        return std::any_of(first, last, [&](const Object* listed) { return sameContent(*listed, object, kind); });
    }

private:
    std::vector<const Object*> sorted_;
};

const Object* contentUnderOtherName(Objects objects, const Object& object, ObjectKind kind)
{
    auto found = std::find_if(objects.begin(), objects.end(), [&](const Object* candidate) {
        return candidate->name != object.name && sameContent(*candidate, object, kind);
    });
    return found == objects.end() ? nullptr : *found;
}

class SetComparer {
public:
    SetComparer(ObjectKind kind, bool withRenames) : kind_(kind), withRenames_(withRenames) {}

    // Fills the change's object lists; false when the two sets do not differ.
    bool compare(Objects oldObjects, Objects newObjects, SetChange& change)
    {
        oldSorted_.assign(oldObjects);
        newSorted_.assign(newObjects);
        for (const Object* object : newObjects)
            if (!oldSorted_.holdsSame(*object, kind_))
                classifyAdded(*object, oldObjects, change);
        for (const Object* object : oldObjects)
            if (!newSorted_.holdsSame(*object, kind_))
                classifyRemoved(*object, newObjects, change);
        return !change.added.empty() || !change.removed.empty() || !change.renamed.empty();
    }

private:
    void classifyAdded(const Object& object, Objects oldObjects, SetChange& change) const
    {
        const Object* source = contentUnderOtherName(oldObjects, object, kind_);
        if (!source)
            change.added.push_back(&object);
        else if (withRenames_)
            change.renamed.push_back({source, &object});
    }

    // The rename is usually recorded already from its added side.
    void classifyRemoved(const Object& object, Objects newObjects, SetChange& change) const
    {
        const Object* target = contentUnderOtherName(newObjects, object, kind_);
        if (!target) {
            change.removed.push_back(&object);
            return;
        }
        if (!withRenames_)
            return;
        bool recorded = std::any_of(change.renamed.begin(), change.renamed.end(),
                                    [&](const Rename& rename) { return rename.from == &object; });
        if (!recorded)
            change.renamed.push_back({&object, target});
    }

    ObjectKind kind_;
    bool withRenames_;
    NameSorted oldSorted_;
    NameSorted newSorted_;
};

} // namespace

Comparison compare(const ResolvedDat& oldDat, const ResolvedDat& newDat, bool withRenames)
{
    Comparison result;
    SetComparer comparer(newDat.dat->kind, withRenames);
    for (std::size_t newSet = 0; newSet < newDat.sets.size(); ++newSet) {
        std::ptrdiff_t oldSet = oldDat.find(newDat.sets[newSet].set->name);
        if (oldSet < 0) {
            result.newSets.push_back(newSet);
            continue;
        }
        SetChange change;
        change.oldSet = static_cast<std::size_t>(oldSet);
        change.newSet = newSet;
        if (comparer.compare(oldDat.objectsOf(change.oldSet), newDat.objectsOf(newSet), change))
            result.changedSets.push_back(std::move(change));
    }
    for (std::size_t oldSet = 0; oldSet < oldDat.sets.size(); ++oldSet)
        if (newDat.find(oldDat.sets[oldSet].set->name) < 0)
            result.removedSets.push_back(oldSet);
    return result;
}

} // namespace setdelta
