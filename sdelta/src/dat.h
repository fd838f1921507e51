#pragma once

#include "dat_source.h"
#include "large_blocks.h"
#include "string_arena.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace setdelta {

// The kind of object a run compares; a DAT is read for one kind only.
enum class ObjectKind : std::uint8_t { Rom, Disk, Sample };

enum class DumpStatus : std::uint8_t { Good, BadDump, NoDump, Verified };

// Flags a DAT may give an object besides its dump status; kept so they can be written back.
enum ObjectFlag : std::uint8_t {
    FlagDispose = 1,
    FlagSoundOnly = 2,
    FlagOptional = 4,
};

using Sha1Digest = std::array<std::uint8_t, 20>;
using Md5Digest = std::array<std::uint8_t, 16>;

// A ROM, disk or sample as the DAT lists it. Strings point into the DAT's arena.
struct Object {
    std::string_view name;
    std::string_view merge;
    std::uint64_t size = 0;
    std::uint32_t crc = 0;
    Sha1Digest sha1{};
    Md5Digest md5{};
    bool hasSize = false;
    bool hasCrc = false;
    bool hasSha1 = false;
    bool hasMd5 = false;
    DumpStatus status = DumpStatus::Good;
    std::uint8_t flags = 0;
};

// A game, machine or resource block. Its objects are a contiguous range of Dat::objects.
struct Set {
    std::string_view name;
    std::string_view description;
    std::string_view year;
    std::string_view manufacturer;
    std::string_view cloneOf;
    std::string_view romOf;
    bool isBios = false;
    bool isDevice = false;
    std::uint32_t firstObject = 0;
    std::uint32_t objectCount = 0;
};

enum class DatFormat : std::uint8_t { ClrMamePro, XmlDatafile, MameListXml };

struct DatHeader {
    std::string name;
    std::string version;
    std::string description;
    std::string build;
};

// What a warning is about; each kind is shown a few times, then only counted.
enum class WarningKind : std::uint8_t { RepeatedSet, QuotedLineBreak, KeyWithoutValue };

// One DAT read for one object kind: its sets in file order and their objects.
class Dat {
public:
    DatSource source;
    DatFormat format = DatFormat::ClrMamePro;
    ObjectKind kind = ObjectKind::Rom;
    DatHeader header;
    std::vector<Set> sets;
    GrowingArray<Object> objects;
    std::vector<std::string> warnings;
    StringArena strings;

    std::span<const Object> objectsOf(const Set& set) const
    {
        return {objects.data() + set.firstObject, set.objectCount};
    }

    // Index of the set of that name, or -1.
    std::ptrdiff_t find(std::string_view name) const;

    // Keeps the first few warnings of each kind; the rest are counted, and finish() says how
    // many there were, so a DAT with a million faults gives a readable report.
    void warn(WarningKind kind, std::string message);

    // Called by the readers once the whole file is read: drops repeated set names (with a
    // warning), builds the name index and closes the warnings.
    void finish();

private:
    static constexpr std::size_t warningsShownPerKind = 20;
    static constexpr std::size_t warningKinds = 3;

    static std::string_view warningKindName(WarningKind kind);

    std::unordered_map<std::string_view, std::size_t> index_;
    std::array<std::uint64_t, warningKinds> warningCounts_{};
};

std::string_view formatName(DatFormat format);
std::string_view kindName(ObjectKind kind, bool plural = false);

} // namespace setdelta
