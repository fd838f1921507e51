#pragma once

#include "dat.h"
#include "input_file.h"

namespace setdelta {

// Reads an XML datafile DAT (<datafile>) or a MAME -listxml file (<mame>), telling them apart
// by the root element. Both are streamed through expat; elements a DAT does not need are
// passed over without storing anything.
void readXmlDat(InputFile& input, Dat& dat);

} // namespace setdelta
