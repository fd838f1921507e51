#pragma once

#include "dat.h"

#include <string>

namespace setdelta {

// Reads the DAT at `path`, keeping objects of one kind. The format is told from the content:
// a file whose first character is '<' is XML, anything else the ClrMamePro text format.
// Throws DatError.
Dat loadDat(const std::string& path, ObjectKind kind);

} // namespace setdelta
