#pragma once

#include "dat.h"
#include "output_file.h"

#include <span>
#include <string>

namespace setdelta {

// Appends a CRC-32 as eight lower-case hex digits, as the DATs write it.
void appendCrc(std::string& text, std::uint32_t crc);
// The word a DAT writes for a dump status; empty for a good dump, which it does not mark.
std::string_view statusWord(DumpStatus status);
// Appends bytes (a SHA-1 or MD5) as lower-case hex digits, two to a byte.
void appendHex(std::string& text, std::span<const std::uint8_t> bytes);

// Writes sets in the ClrMamePro text format with CR LF line ends and no header block.
// Values are quoted where the text reader would otherwise split them, so it reads every
// value back unchanged.
class DatWriter {
public:
    // Merged sets have no parents, so `withParents` is false for them.
    DatWriter(OutputFile& output, ObjectKind kind, bool withParents);

    void writeSet(const Set& set, std::span<const Object* const> objects);

private:
    void field(std::string_view key, std::string_view value);
    void object(const Object& object);
    void objectField(std::string_view key, std::string_view value);
    void appendValue(std::string_view value);

    OutputFile& output_;
    ObjectKind kind_;
    bool withParents_;
    std::string line_;
};

} // namespace setdelta
