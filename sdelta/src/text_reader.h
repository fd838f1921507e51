#pragma once

#include "dat.h"
#include "input_file.h"

namespace setdelta {

// Reads a DAT in the ClrMamePro text format: `clrmamepro`, `game`, `machine` and `resource`
// blocks; other blocks and unknown fields are skipped.
void readTextDat(InputFile& input, Dat& dat);

} // namespace setdelta
