#pragma once

#include "compare.h"

#include <vector>

namespace setdelta {

// How much of the differences setdelta.dat holds (-d1 .. -d4).
enum class DeltaLevel : std::uint8_t { Larger = 1, Smaller = 2, EvenSmaller = 3, RomArchival = 4 };

struct DeltaSet {
    const Set* set = nullptr;
    std::vector<const Object*> objects;
};

// The sets to write, in the order of the DAT they come from: NEW for -d1 to -d3, OLD for -d4.
std::vector<DeltaSet> selectDelta(const ResolvedDat& oldDat, const ResolvedDat& newDat,
                                  const Comparison& comparison, DeltaLevel level);

} // namespace setdelta
