#include "dat_writer.h"

#include <charconv>

namespace setdelta {
namespace {

constexpr std::string_view lineEnd = "\r\n";

bool needsQuotes(std::string_view value)
{
    return value.empty() || value.front() == '"' ||
           value.find_first_of(" \t\r\n\f\v()") != std::string_view::npos;
}

} // namespace

std::string_view statusWord(DumpStatus status)
{
    switch (status) {
    case DumpStatus::BadDump: return "baddump";
    case DumpStatus::NoDump: return "nodump";
    case DumpStatus::Verified: return "verified";
    case DumpStatus::Good: return {};
    }
    return {};
}

constexpr char hexDigits[] = "0123456789abcdef";

void appendCrc(std::string& text, std::uint32_t crc)
{
    for (int shift = 28; shift >= 0; shift -= 4)
        text += hexDigits[(crc >> shift) & 0x0F];
}

void appendHex(std::string& text, std::span<const std::uint8_t> bytes)
{
    for (std::uint8_t byte : bytes) {
        text += hexDigits[byte >> 4];
        text += hexDigits[byte & 0x0F];
    }
}

DatWriter::DatWriter(OutputFile& output, ObjectKind kind, bool withParents)
    : output_(output), kind_(kind), withParents_(withParents)
{
}

void DatWriter::writeSet(const Set& set, std::span<const Object* const> objects)
{
    output_.write(set.isBios ? "resource (\r\n" : "game (\r\n");
    field("name", set.name);
    if (!set.description.empty())
        field("description", set.description);
    if (!set.year.empty())
        field("year", set.year);
    if (!set.manufacturer.empty())
        field("manufacturer", set.manufacturer);
    if (withParents_ && !set.cloneOf.empty())
        field("cloneof", set.cloneOf);
    if (withParents_ && !set.romOf.empty())
        field("romof", set.romOf);
    if (set.isDevice)
        field("isdevice", "yes");
    for (const Object* each : objects)
        object(*each);
    output_.write(")\r\n\r\n");
}

void DatWriter::field(std::string_view key, std::string_view value)
{
    line_ = '\t';
    line_ += key;
    line_ += ' ';
    appendValue(value);
    line_ += lineEnd;
    output_.write(line_);
}

void DatWriter::object(const Object& object)
{
    if (kind_ == ObjectKind::Sample) {
        field("sample", object.name);
        return;
    }
    line_ = kind_ == ObjectKind::Rom ? "\trom (" : "\tdisk (";
    objectField("name", object.name);
    if (object.hasSize) {
        char size[24];
        objectField("size", std::string_view(size, std::to_chars(size, size + sizeof size, object.size).ptr));
    }
    if (object.hasCrc) {
        line_ += " crc ";
        appendCrc(line_, object.crc);
    }
    if (object.hasSha1) {
        line_ += " sha1 ";
        appendHex(line_, object.sha1);
    }
    if (object.hasMd5) {
        line_ += " md5 ";
        appendHex(line_, object.md5);
    }
    if (!object.merge.empty())
        objectField("merge", object.merge);
    if (object.status != DumpStatus::Good)
        objectField("status", statusWord(object.status));
    if (object.flags & FlagDispose)
        objectField("flags", "dispose");
    if (object.flags & FlagSoundOnly)
        objectField("flags", "soundonly");
    if (object.flags & FlagOptional)
        objectField("flags", "optional");
    line_ += " )";
    line_ += lineEnd;
    output_.write(line_);
}

void DatWriter::objectField(std::string_view key, std::string_view value)
{
    line_ += ' ';
    line_ += key;
    line_ += ' ';
    appendValue(value);
}

// Inside quotes a backslash escapes only a quote or another backslash, so one is written
// doubled only where the reader would otherwise take it for an escape.
void DatWriter::appendValue(std::string_view value)
{
    if (!needsQuotes(value)) {
        line_ += value;
        return;
    }
    line_ += '"';
    for (std::size_t i = 0; i < value.size(); ++i) {
        char c = value[i];
        bool escapes = c == '"' || (c == '\\' && (i + 1 == value.size() || value[i + 1] == '"' ||
                                                  value[i + 1] == '\\'));
        if (escapes)
            line_ += '\\';
        line_ += c;
    }
    line_ += '"';
}

} // namespace setdelta
