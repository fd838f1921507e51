#pragma once

#include "dat_source.h"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace setdelta {

// The bytes of a DAT as they are read: from a plain file, a gzip file or a zip archive's entry.
class ByteSource {
public:
    virtual ~ByteSource() = default;

    // Fills up to `capacity` bytes and returns how many; 0 only at the end. Throws DatError
    // on a read error and at an end that comes too early or too late (a damaged archive, or
    // a file changed while it was read).
    virtual std::size_t read(char* buffer, std::size_t capacity) = 0;
    // How far into the file reading has come, in the file's own bytes: for a gzip file or a zip
    // archive, compressed bytes taken in so far (read ahead included).
    virtual std::uint64_t consumed() const = 0;
};

// Opens `source.file`, telling a zip archive and a gzip file from a plain DAT by their first
// bytes. For a zip archive the DAT is `source.entry`, or the archive's single DAT when that is
// empty, and `source.entry` is set to it. Throws DatError, and EntryChoiceError when the
// entry cannot be chosen.
std::unique_ptr<ByteSource> openByteSource(DatSource& source);

// The compressed kinds, opened by openByteSource. Each takes the descriptor over.
std::unique_ptr<ByteSource> openGzipSource(int fd, const DatSource& source);
std::unique_ptr<ByteSource> openZipEntrySource(int fd, DatSource& source);

} // namespace setdelta
