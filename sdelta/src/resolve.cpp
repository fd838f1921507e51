#include "resolve.h"

#include "content.h"

#include <optional>

namespace setdelta {

std::ptrdiff_t ResolvedDat::find(std::string_view name) const
{
    auto found = index_.find(name);
    return found == index_.end() ? -1 : static_cast<std::ptrdiff_t>(found->second);
}

void ResolvedDat::add(const Set& set, std::uint32_t first, std::uint32_t count, bool mayRepeat)
{
    if (count > 0)
        sets.push_back({&set, first, count, mayRepeat});
}

void ResolvedDat::add(const Set& set, std::span<const Object* const> objects, bool mayRepeat)
{
    std::uint32_t first = storedCount();
    objects_.append(objects.begin(), objects.end());
    add(set, first, static_cast<std::uint32_t>(objects.size()), mayRepeat);
}

void ResolvedDat::buildIndex()
{
    index_.reserve(sets.size());
    for (std::size_t i = 0; i < sets.size(); ++i)
        index_.emplace(sets[i].set->name, i);
}

namespace {

constexpr std::ptrdiff_t none = -1;
// Parent and romof chains longer than this are treated as broken (they may loop).
constexpr int longestChain = 16;

using ObjectList = std::vector<const Object*>;

// Where a set's non-merged list lies among the resolved DAT's stored objects.
struct StoredList {
    std::uint32_t first = 0;
    std::uint32_t count = 0;
    bool mayRepeat = false;
};

class Resolver {
public:
    // `wanted`, where given, names the only sets looked at: those whose lists are asked for,
    // with their parents and BIOS sets.
    Resolver(const Dat& dat, const ResolveOptions& options, std::vector<bool> wanted = {});
    ResolvedDat run();
    std::vector<const Object*> nonMergedList(std::size_t set);

private:
    bool isWanted(std::size_t set) const { return wanted_.empty() || wanted_[set]; }
    bool isVisible(const Object& object) const { return options_.includeNodump || !isNodump(object, kind_); }
    void indexVisibleObjects();
    void linkParents();
    void linkBiosSets();
    void indexContents();
    std::ptrdiff_t biosAlong(std::size_t set) const;
    std::ptrdiff_t rootOf(std::size_t set) const;

    bool standsAlone(std::size_t set) const;
    bool isInherited(std::size_t set, const Object& object) const;
    bool isBiosObject(std::size_t set, const Object& object) const;
    bool keepsInherited(std::size_t set, const Object& object) const;
    bool listsSame(std::size_t set, const Object& object) const;
    bool listsContent(std::size_t set, const Object& object) const;

    bool looksIntoParent(std::size_t set) const;
    ObjectList splitObjects(std::size_t set) const;
    StoredList nonMergedObjects(std::size_t set, int depth);
    StoredList storeNonMergedObjects(std::size_t set, int depth);
    bool indexOwnContents(std::size_t set);
    ObjectList mergedObjects(std::size_t root) const;

    const Dat& dat_;
    ResolveOptions options_;
    std::vector<bool> wanted_; // empty: every set
    ObjectKind kind_;
    bool hasMergeMarks_ = false;
    LargeVector<const Object*> visible_;      // visible objects, set by set
    std::vector<std::uint32_t> visibleFirst_; // per set, into visible_ (size sets + 1)
    NameIndex names_;                         // objects of parents and BIOS sets, scoped by set
    ContentIndex contents_;                   // objects of BIOS sets, by set
    ContentIndex ownContents_;                // -n: the objects a clone lists itself
    std::vector<std::ptrdiff_t> parent_;
    std::vector<std::ptrdiff_t> bios_;
    std::vector<std::vector<std::size_t>> clones_;
    std::vector<std::optional<StoredList>> nonMerged_; // -n lists made so far, by set
    ResolvedDat resolved_;
};

Resolver::Resolver(const Dat& dat, const ResolveOptions& options, std::vector<bool> wanted)
    : dat_(dat), options_(options), wanted_(std::move(wanted)), kind_(dat.kind), names_(dat.kind), contents_(dat.kind),
      ownContents_(dat.kind), nonMerged_(options.setType == SetType::NonMerged ? dat.sets.size() : 0)
{
    indexVisibleObjects();
    linkParents();
    linkBiosSets();
    indexContents();
}

// Nodump objects take part only with -z; without it they are as good as not listed.
void Resolver::indexVisibleObjects()
{
    visibleFirst_.reserve(dat_.sets.size() + 1);
    visible_.reserve(dat_.objects.size());
    for (std::size_t set = 0; set < dat_.sets.size(); ++set) {
        visibleFirst_.push_back(static_cast<std::uint32_t>(visible_.size()));
        const bool wanted = isWanted(set);
        for (const Object& object : dat_.objectsOf(dat_.sets[set])) {
            // Of a set not looked at, only whether it makes the DAT one with merge marks counts.
            if (!wanted) {
                hasMergeMarks_ = hasMergeMarks_ || (!object.merge.empty() && isVisible(object));
                continue;
            }
            if (!isVisible(object))
                continue;
            visible_.push_back(&object);
            hasMergeMarks_ = hasMergeMarks_ || !object.merge.empty();
        }
    }
    visibleFirst_.push_back(static_cast<std::uint32_t>(visible_.size()));
}

void Resolver::linkParents()
{
    parent_.assign(dat_.sets.size(), none);
    for (std::size_t set = 0; set < dat_.sets.size(); ++set) {
        if (!isWanted(set))
            continue;
        std::ptrdiff_t parent = dat_.find(dat_.sets[set].cloneOf);
        if (parent != static_cast<std::ptrdiff_t>(set))
            parent_[set] = parent;
    }
}

void Resolver::linkBiosSets()
{
    bios_.assign(dat_.sets.size(), none);
    for (std::size_t set = 0; set < dat_.sets.size(); ++set) {
        if (dat_.sets[set].isBios || !isWanted(set))
            continue;
        std::ptrdiff_t bios = biosAlong(set);
        if (bios == none && parent_[set] != none)
            bios = biosAlong(static_cast<std::size_t>(parent_[set]));
        bios_[set] = bios;
    }
}

// The BIOS set reached from `set` through romof, if any.
std::ptrdiff_t Resolver::biosAlong(std::size_t set) const
{
    std::ptrdiff_t current = dat_.find(dat_.sets[set].romOf);
    for (int step = 0; current != none && step < longestChain; ++step) {
        const Set& candidate = dat_.sets[static_cast<std::size_t>(current)];
        if (candidate.isBios)
            return current;
        current = dat_.find(candidate.romOf);
    }
    return none;
}

// Whether telling the set's inherited objects needs its parent's objects by name: a non-merged
// set keeps all it lists, and asks only which of its objects come from its BIOS set.
bool Resolver::looksIntoParent(std::size_t set) const
{
    return parent_[set] != none && !hasMergeMarks_ &&
           (options_.setType != SetType::NonMerged || bios_[set] != none);
}

// Only the sets looked into are indexed: by name and content the parents and BIOS sets (in a
// DAT without merge marks), by content the BIOS sets.
void Resolver::indexContents()
{
    const std::size_t count = dat_.sets.size();
    std::vector<bool> byName(count, false);
    std::vector<bool> byContent(count, false);
    for (std::size_t set = 0; set < count; ++set) {
        if (!isWanted(set))
            continue;
        if (looksIntoParent(set))
            byName[static_cast<std::size_t>(parent_[set])] = true;
        if (bios_[set] != none) {
            byName[static_cast<std::size_t>(bios_[set])] = !hasMergeMarks_;
            byContent[static_cast<std::size_t>(bios_[set])] = true;
        }
    }
    for (std::size_t set = 0; set < count; ++set) {
        for (std::uint32_t i = visibleFirst_[set]; i < visibleFirst_[set + 1]; ++i) {
            if (byName[set])
                names_.add(*visible_[i], set);
            if (byContent[set])
                contents_.add(*visible_[i], set);
        }
    }
    names_.build();
    contents_.build();
}

std::ptrdiff_t Resolver::rootOf(std::size_t set) const
{
    auto current = static_cast<std::ptrdiff_t>(set);
    for (int step = 0; parent_[static_cast<std::size_t>(current)] != none; ++step) {
        if (step == longestChain)
            return none;
        current = parent_[static_cast<std::size_t>(current)];
    }
    return current;
}

bool Resolver::standsAlone(std::size_t set) const
{
    return dat_.sets[set].isBios || dat_.sets[set].isDevice;
}

bool Resolver::listsSame(std::size_t set, const Object& object) const
{
    return names_.holdsSame(object, set);
}

bool Resolver::listsContent(std::size_t set, const Object& object) const
{
    return contents_.holds(object, set);
}

// With merge marks the DAT says what is inherited; without them an object is inherited when
// the parent or the BIOS set lists the same object.
bool Resolver::isInherited(std::size_t set, const Object& object) const
{
    if (hasMergeMarks_)
        return !object.merge.empty();
    std::ptrdiff_t parent = parent_[set];
    std::ptrdiff_t bios = bios_[set];
    return (parent != none && listsSame(static_cast<std::size_t>(parent), object)) ||
           (bios != none && listsSame(static_cast<std::size_t>(bios), object));
}

bool Resolver::isBiosObject(std::size_t set, const Object& object) const
{
    std::ptrdiff_t bios = bios_[set];
    return bios != none && isInherited(set, object) && listsContent(static_cast<std::size_t>(bios), object);
}

// -b keeps BIOS objects in every set that uses the BIOS; without it only the BIOS set has them.
bool Resolver::keepsInherited(std::size_t set, const Object& object) const
{
    return options_.nonSeparatedBios && isBiosObject(set, object);
}

ObjectList Resolver::splitObjects(std::size_t set) const
{
    ObjectList objects;
    for (std::uint32_t i = visibleFirst_[set]; i < visibleFirst_[set + 1]; ++i) {
        const Object& object = *visible_[i];
        if (!isInherited(set, object) || (!standsAlone(set) && keepsInherited(set, object)))
            objects.push_back(&object);
    }
    return objects;
}

// Every listed object; in a DAT without merge marks a clone lists only what differs from
// its parent, so it also gets the parent's objects whose content it does not list.
// Each set's list is made once and stored: the sets of a clone chain all build on their parent's.
StoredList Resolver::nonMergedObjects(std::size_t set, int depth)
{
    if (!nonMerged_[set])
        nonMerged_[set] = storeNonMergedObjects(set, depth);
    return *nonMerged_[set];
}

// A non-merged set lists an object twice only where its own list or its parent's does: what it
// takes from its parent has content its own list lacks. A BIOS or device set takes nothing from
// a parent, and keeps what it lists whatever its merge marks say: a device whose romof names
// another device marks the ROM they share, yet a collection of non-merged sets needs it in both.
StoredList Resolver::storeNonMergedObjects(std::size_t set, int depth)
{
    std::ptrdiff_t parent = parent_[set];
    std::optional<StoredList> parentList;
    if (!hasMergeMarks_ && parent != none && !standsAlone(set) && depth != longestChain)
        parentList = nonMergedObjects(static_cast<std::size_t>(parent), depth + 1);
    StoredList list{resolved_.storedCount(), 0, false};
    for (std::uint32_t i = visibleFirst_[set]; i < visibleFirst_[set + 1]; ++i) {
        const Object& object = *visible_[i];
        if (options_.nonSeparatedBios || !isBiosObject(set, object))
            resolved_.store(&object);
    }
    list.mayRepeat = indexOwnContents(set) || (parentList && parentList->mayRepeat);
    if (parentList) {
        for (std::uint32_t i = parentList->first; i < parentList->first + parentList->count; ++i) {
            const Object* inherited = resolved_.storedAt(i);
            if (!ownContents_.holds(*inherited))
                resolved_.store(inherited);
        }
    }
    list.count = resolved_.storedCount() - list.first;
    return list;
}

// A small index of one set's own objects, built after its parent's list is made (which uses the
// same index): lookups in it stay in the cache, where one index of every set would not. True
// when the set lists an object twice.
bool Resolver::indexOwnContents(std::size_t set)
{
    ownContents_.clear();
    for (std::uint32_t i = visibleFirst_[set]; i < visibleFirst_[set + 1]; ++i)
        ownContents_.add(*visible_[i]);
    ownContents_.build();
    for (std::uint32_t i = visibleFirst_[set]; i < visibleFirst_[set + 1]; ++i) {
        const Object& object = *visible_[i];
        auto sameElsewhere = [&](const Object& other) { return &other != &object && other.name == object.name; };
        if (ownContents_.find(object, 0, sameElsewhere))
            return true;
    }
    return false;
}

// A merged set lists each object once, also where the parent itself lists it twice.
ObjectList Resolver::mergedObjects(std::size_t root) const
{
    DistinctObjects objects(kind_);
    for (const Object* object : splitObjects(root))
        objects.add(object);
    for (std::size_t clone : clones_[root])
        for (const Object* object : splitObjects(clone))
            objects.add(object);
    return objects.take();
}

ResolvedDat Resolver::run()
{
    resolved_.dat = &dat_;
    const std::size_t count = dat_.sets.size();
    std::vector<bool> mergedAway(count, false);
    if (options_.setType == SetType::Merged) {
        clones_.resize(count);
        for (std::size_t set = 0; set < count; ++set) {
            std::ptrdiff_t root = rootOf(set);
            if (parent_[set] == none || root == none || standsAlone(set) ||
                standsAlone(static_cast<std::size_t>(root)))
                continue;
            clones_[static_cast<std::size_t>(root)].push_back(set);
            mergedAway[set] = true;
        }
    }
    for (std::size_t set = 0; set < count; ++set) {
        if (mergedAway[set])
            continue;
        switch (options_.setType) {
        case SetType::Split: resolved_.add(dat_.sets[set], splitObjects(set), true); break;
        case SetType::NonMerged: {
            StoredList list = nonMergedObjects(set, 0);
            resolved_.add(dat_.sets[set], list.first, list.count, list.mayRepeat);
            break;
        }
        case SetType::Merged: resolved_.add(dat_.sets[set], mergedObjects(set), false); break;
        }
    }
    resolved_.buildIndex();
    return std::move(resolved_);
}

std::vector<const Object*> Resolver::nonMergedList(std::size_t set)
{
    StoredList list = nonMergedObjects(set, 0);
    std::vector<const Object*> objects;
    objects.reserve(list.count);
    for (std::uint32_t i = list.first; i < list.first + list.count; ++i)
        objects.push_back(resolved_.storedAt(i));
    return objects;
}

} // namespace

ResolvedDat resolve(const Dat& dat, const ResolveOptions& options)
{
    return Resolver(dat, options).run();
}

namespace {

// Calls `visit` with `set` and each set reached from it through `link` (cloneof or romof).
template <typename Visit>
void followChain(const Dat& dat, std::size_t set, std::string_view Set::*link, Visit visit)
{
    auto current = static_cast<std::ptrdiff_t>(set);
    for (int step = 0; current != none && step <= longestChain; ++step) {
        auto index = static_cast<std::size_t>(current);
        visit(index);
        current = dat.find(dat.sets[index].*link);
        if (current == static_cast<std::ptrdiff_t>(index))
            break;
    }
}

} // namespace

std::vector<std::vector<const Object*>> nonMergedObjectsOf(const Dat& dat, std::span<const std::size_t> sets)
{
    // The sets asked about, their parents, and the sets their romof links reach (BIOS sets).
    std::vector<bool> wanted(dat.sets.size(), false);
    for (std::size_t set : sets)
        followChain(dat, set, &Set::cloneOf, [&](std::size_t member) {
            followChain(dat, member, &Set::romOf, [&](std::size_t reached) { wanted[reached] = true; });
        });
    Resolver resolver(dat, {SetType::NonMerged}, std::move(wanted));
    std::vector<std::vector<const Object*>> lists;
    lists.reserve(sets.size());
    for (std::size_t set : sets)
        lists.push_back(resolver.nonMergedList(set));
    return lists;
}

} // namespace setdelta
