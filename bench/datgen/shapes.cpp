#include "shapes.h"

#include "output.h"

#include <functional>
#include <string>

namespace datgen {
namespace {

constexpr std::uint32_t kChangedRoms = 50000;
constexpr std::uint32_t kChainDepth = 17;
constexpr std::uint32_t kChainRoms = 3000;
constexpr std::uint32_t kFamilyClones = 2000;
constexpr std::uint32_t kFamilyRoms = 25;
constexpr std::uint32_t kLongNameSets = 4;
// Just under the longest name setdelta reads (1 MiB): each such token spans a boundary of the
// readers' blocks, where an XML parser scans the unfinished token again.
constexpr std::size_t kLongNameLength = (std::size_t{1} << 20) - 4096;
// In the chain and the family one ROM in this many changes in NEW.
constexpr std::uint32_t kChangeEvery = 50;

// A CRC that differs for every ROM and, where `changed`, between OLD and NEW.
std::uint32_t crcOf(std::uint64_t rom, bool changed)
{
    std::uint64_t z = rom * 0x9e3779b97f4a7c15ULL + (changed ? 0x5bd1e995ULL : 0);
    z = (z ^ (z >> 31)) * 0xbf58476d1ce4e5b9ULL;
    return static_cast<std::uint32_t>(z ^ (z >> 29));
}

class ShapeWriter {
public:
    ShapeWriter(const std::string& path, bool isNew) : out_(path), isNew_(isNew)
    {
        out_ << "<?xml version=\"1.0\"?>\n<mame build=\"" << (isNew ? "shape new" : "shape old") << "\">\n";
    }

    void openSet(const std::string& name, const std::string& parent)
    {
        out_ << "\t<machine name=\"" << name << '"';
        if (!parent.empty())
            out_ << " cloneof=\"" << parent << "\" romof=\"" << parent << '"';
        out_ << ">\n\t\t<description>" << name << "</description>\n";
    }

    // ROM `index` of the set; `changes` says whether NEW has new content for it.
    void rom(const std::string& set, std::uint32_t index, bool changes)
    {
        ++roms_;
        out_ << "\t\t<rom name=\"" << set << '-' << Decimal{index} << ".bin\" size=\"" << Decimal{1024 + index % 4096}
             << "\" crc=\"" << Hex{crcOf(roms_, changes && isNew_), 8} << "\"/>\n";
    }

    void closeSet() { out_ << "\t</machine>\n"; }

    void finish()
    {
        out_ << "</mame>\n";
        out_.commit();
    }

private:
    Output out_;
    bool isNew_;
    std::uint64_t roms_ = 0;
};

std::string setName(std::uint32_t copy, const char* what, std::uint32_t index)
{
    return "c" + std::to_string(copy) + what + std::to_string(index);
}

void writeChangedRoms(ShapeWriter& writer, std::uint32_t copy)
{
    std::string name = setName(copy, "big", 0);
    writer.openSet(name, {});
    for (std::uint32_t rom = 0; rom < kChangedRoms; ++rom)
        writer.rom(name, rom, true);
    writer.closeSet();
}

void writeCloneChain(ShapeWriter& writer, std::uint32_t copy)
{
    std::string parent;
    for (std::uint32_t depth = 0; depth < kChainDepth; ++depth) {
        std::string name = setName(copy, "chain", depth);
        writer.openSet(name, parent);
        for (std::uint32_t rom = 0; rom < kChainRoms; ++rom)
            writer.rom(name, rom, rom % kChangeEvery == depth % kChangeEvery);
        writer.closeSet();
        parent = name;
    }
}

void writeCloneFamily(ShapeWriter& writer, std::uint32_t copy)
{
    std::string parent = setName(copy, "family", 0);
    for (std::uint32_t clone = 0; clone <= kFamilyClones; ++clone) {
        std::string name = setName(copy, "family", clone);
        writer.openSet(name, clone == 0 ? std::string() : parent);
        for (std::uint32_t rom = 0; rom < kFamilyRoms; ++rom)
            writer.rom(name, rom, (clone * kFamilyRoms + rom) % kChangeEvery == 0);
        writer.closeSet();
    }
}

void writeLongNames(ShapeWriter& writer, std::uint32_t copy)
{
    for (std::uint32_t set = 0; set < kLongNameSets; ++set) {
        std::string name = setName(copy, "long", set);
        writer.openSet(name, {});
        std::string longName = name;
        longName.resize(kLongNameLength, 'x');
        writer.rom(longName, 0, set == 0);
        writer.closeSet();
    }
}

} // namespace

std::optional<Shape> shapeNamed(std::string_view name)
{
    if (name == "changed-roms")
        return Shape::ChangedRoms;
    if (name == "clone-chain")
        return Shape::CloneChain;
    if (name == "clone-family")
        return Shape::CloneFamily;
    if (name == "long-names")
        return Shape::LongNames;
    return std::nullopt;
}

void writeShape(Shape shape, std::uint32_t copies, const std::string& oldPath, const std::string& newPath)
{
    std::function<void(ShapeWriter&, std::uint32_t)> writeCopy = shape == Shape::ChangedRoms ? writeChangedRoms
                                                                   : shape == Shape::CloneChain ? writeCloneChain
                                                                   : shape == Shape::CloneFamily ? writeCloneFamily
                                                                                                  : writeLongNames;
    for (bool isNew : {false, true}) {
        ShapeWriter writer(isNew ? newPath : oldPath, isNew);
        for (std::uint32_t copy = 0; copy < copies; ++copy)
            writeCopy(writer, copy);
        writer.finish();
    }
}

} // namespace datgen
