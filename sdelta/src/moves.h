#pragma once

#include "compare.h"

#include <span>
#include <vector>

namespace setdelta {

// The removed sets that live on as new sets under other names. A set's contents are the distinct
// contents of the objects its non-merged set holds, BIOS and nodump objects left out. A removed
// and a new set are a move when they share at least half of the contents of each; pairs are
// taken by most shared contents, then closer name lengths, then the order of OLD, then of NEW,
// each set in one move at most. Only the removed and new sets are looked at.
std::vector<Move> findMoves(const ResolvedDat& oldDat, const ResolvedDat& newDat,
                            std::span<const std::size_t> removedSets, std::span<const std::size_t> newSets);

} // namespace setdelta
