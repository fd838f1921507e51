#pragma once

#include "dat.h"
#include "progress.h"

#include <string>

namespace setdelta {

// Reads the DAT at `path`, keeping objects of one kind. A zip archive is read through its DAT
// `entry` (empty: its only DAT), a gzip file as it is decompressed. The format is told from
// the content: a DAT whose first character is '<' is XML, anything else the ClrMamePro text
// format. How far reading has come goes to `progress`, when given. Throws DatError, and
// EntryChoiceError when the archive's DAT cannot be chosen.
Dat loadDat(const std::string& path, ObjectKind kind, const std::string& entry = {},
            InputProgress* progress = nullptr);

} // namespace setdelta
