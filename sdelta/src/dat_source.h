#pragma once

#include <string>

namespace setdelta {

// Where a DAT is read from: a file, and the DAT inside it when the file is a zip archive.
// Reports, summaries and error messages name an input through this, so that they all say the
// same.
struct DatSource {
    std::string file;
    std::string entry; // empty for a plain or gzipped file

    // "file", or "file (entry name)" for a DAT inside an archive.
    std::string label() const { return entry.empty() ? file : file + " (entry " + entry + ")"; }
};

} // namespace setdelta
