#pragma once

#include "parallel.h"
#include "resolve.h"

#include <vector>

namespace setdelta {

// Two sides of a rename: the object of the old set and the new set's object with its content.
struct Rename {
    const Object* from = nullptr;
    const Object* to = nullptr;
};

// The differences of one set that both DATs have, indices into the resolved sets.
struct SetChange {
    std::size_t oldSet = 0;
    std::size_t newSet = 0;
    std::vector<const Object*> added;   // objects of the new set, in its order
    std::vector<const Object*> removed; // objects of the old set, in its order
    // Beside each removed object, the object under whose name the new set still lists its content
    // (a name both sets list: a dropped alias), or null.
    std::vector<const Object*> removedContentKeptAs;
    std::vector<Rename> renamed;        // only with -r
};

// A removed set and a new set that hold mostly the same contents: one set under a new name.
struct Move {
    SetChange change;              // the sets (one removed, one new) and their objects paired, renames included
    std::size_t sharedContents = 0;
    std::size_t oldContents = 0;   // distinct contents of each set
    std::size_t newContents = 0;
    std::vector<const Object*> kept; // objects of the new set both sets list with the same name and content
};

struct Comparison {
    std::vector<std::size_t> newSets;     // NEW sets that OLD lacks, in NEW's order
    std::vector<std::size_t> removedSets; // OLD sets that NEW lacks, in OLD's order
    std::vector<SetChange> changedSets;   // in NEW's order
    std::vector<Move> movedSets;          // in OLD's order; the sets stay new and removed
};

// Matches sets by name and objects by name and content. An added object whose content the
// old set has under another name (or a removed one whose content the new set has) is a side
// of a rename, unless that name is one both sets list; renames are differences only when
// `withRenames` (-r).
// The sets are compared on two threads, the second started by `start`.
Comparison compare(const ResolvedDat& oldDat, const ResolvedDat& newDat, bool withRenames,
                   const ThreadStarter& start = startThread);

// Pairs two lists of objects as a changed set's: fills the change's added, removed and renamed
// objects (renames only when `withRenames`); false when they do not differ.
bool compareObjects(std::span<const Object* const> oldObjects, std::span<const Object* const> newObjects,
                    ObjectKind kind, bool withRenames, SetChange& change);

} // namespace setdelta
