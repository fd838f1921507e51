#include "catalogue.h"

#include "random.h"

#include <algorithm>
#include <iterator>
#include <optional>
#include <string_view>
#include <unordered_set>
#include <utility>

namespace datgen {
namespace {

constexpr const char* kRomRegions[] = {"maincpu", "audiocpu", "subcpu",  "gfx1", "gfx2",   "gfx3",
                                       "sprites", "tiles",    "proms",   "oki",  "ymsnd",  "qsound",
                                       "user1",   "plds",     "mainbios", "fixed", "zoomy"};
constexpr auto kRomRegionCount = static_cast<std::uint32_t>(std::size(kRomRegions));
constexpr std::uint8_t kMainCpu = 0;
constexpr std::uint8_t kFirstOtherRegion = 1;
constexpr std::uint8_t kLastOtherRegion = 12;
constexpr std::uint8_t kProms = 8;
constexpr std::uint8_t kUser1 = 12;
constexpr std::uint8_t kPlds = 13;
constexpr std::uint8_t kMainBios = 14;
constexpr std::uint8_t kFirstBiosSideRegion = 15;
static_assert(std::string_view(kRomRegions[kProms]) == "proms" && std::string_view(kRomRegions[kUser1]) == "user1"
              && std::string_view(kRomRegions[kPlds]) == "plds"
              && std::string_view(kRomRegions[kMainBios]) == "mainbios",
              "the region indices above follow kRomRegions");

constexpr const char* kDiskRegions[] = {"ide:0:hdd:image", "scsi:1:cdrom", "disks", "laserdisc",
                                        "ata:0:hdd:image"};
constexpr auto kDiskRegionCount = static_cast<std::uint32_t>(std::size(kDiskRegions));

constexpr const char* kSyllables[] = {"ka", "ro", "mi", "ta", "zo", "ne", "bu", "sh", "ga", "le",
                                      "pa", "qu", "vi", "do", "ex", "xe", "fi", "ny", "ar", "cy",
                                      "jo", "wu", "tr", "gr", "st", "sp", "bl", "dr", "ac", "om"};
constexpr const char* kCloneSuffixes[] = {"j", "u", "a", "b", "2", "3", "bl", "h", "k", "o",
                                          "w", "e", "1", "ua", "jr", "bl2", "us", "jp", "a2", "ub"};
constexpr const char* kDevicePrefixes[] = {"z", "m68", "ym", "okim", "ay", "sn7", "tms", "hd",
                                           "upd", "i8", "mc", "nec_v", "sh", "r3", "adsp", "es",
                                           "k0", "namco_c", "sega_315_", "pc"};
constexpr const char* kPalNames[] = {"pal16l8", "pal16r4", "gal16v8", "pal20l8", "pal16r6",
                                     "peel18cv8"};

// A chip location such as "6e"; distinct for distinct indices, so names built on it never clash.
std::string location(std::uint32_t index)
{
    std::string text;
    text += static_cast<char>('1' + index % 9);
    text += static_cast<char>('a' + (index / 9) % 26);
    if (index >= 9 * 26)
        text += std::to_string(index / (9 * 26));
    return text;
}

// "" for the first of several objects, then "-2", "-3"... (with the given separator).
std::string ordinalSuffix(char separator, std::uint32_t index)
{
    std::string suffix;
    if (index > 0) {
        suffix += separator;
        suffix += std::to_string(index + 1);
    }
    return suffix;
}

struct RomNaming {
    std::uint32_t style = 0;
    std::uint32_t base = 0;
};

std::string romName(const std::string& setName, RomNaming naming, std::uint32_t index)
{
    switch (naming.style) {
    case 0:
        return setName + "." + location(index);
    case 1:
        return "epr-" + std::to_string(naming.base + index) + ".ic" + std::to_string(index + 1);
    default:
        return std::to_string(naming.base) + "-" + std::to_string(index + 1) + ".u" + location(index);
    }
}

class CatalogueEditor {
public:
    CatalogueEditor(Catalogue& catalogue, std::uint64_t seed) : catalogue_(catalogue), random_(seed)
    {
        for (const Machine& machine : catalogue_.machines)
            names_.insert(machine.name);
    }

    std::uint32_t addBios();
    std::uint32_t addDevice();
    std::uint32_t addParent();
    std::uint32_t addClone(std::uint32_t parent);
    std::uint32_t pickParent();

    void removeSets(std::uint32_t count);
    void addSets(std::uint32_t count);
    void changeRomContents(std::uint32_t count);
    void renameRoms(std::uint32_t count);
    void addRoms(std::uint32_t count);
    void removeRoms(std::uint32_t count);
    void changeDisks(std::uint32_t count);
    void changeOneBiosRom();

private:
    std::uint32_t addMachine(std::string name, MachineKind kind);
    std::string uniqueName(const std::string& candidate);
    std::string syllableName(std::uint32_t syllables);
    std::uint32_t parentRomCount();
    std::uint32_t romSize(std::uint8_t region);
    void giveFreshContent(Dump& dump);
    Dump newRom(std::string name, std::uint8_t region, std::uint32_t size);
    std::uint32_t addOwn(std::uint32_t machine, Dump dump);
    void addParentRoms(std::uint32_t machine);
    void addDisks(std::uint32_t machine);
    void listBios(std::uint32_t machine, std::uint32_t bios);
    void addCloneListing(std::uint32_t clone, const Listing& parentListing);
    std::optional<std::pair<std::uint32_t, std::uint32_t>> pickOwnDump(bool disk);
    std::vector<std::uint32_t> liveCloneCounts() const;

    Catalogue& catalogue_;
    Random random_;
    std::unordered_set<std::string> names_;
};

std::uint32_t CatalogueEditor::addMachine(std::string name, MachineKind kind)
{
    Machine machine;
    machine.name = std::move(name);
    machine.kind = kind;
    machine.seed = random_.next();
    catalogue_.machines.push_back(std::move(machine));
    return static_cast<std::uint32_t>(catalogue_.machines.size() - 1);
}

std::string CatalogueEditor::uniqueName(const std::string& candidate)
{
    std::string name = candidate;
    for (std::uint32_t counter = 2; names_.count(name) != 0; ++counter)
        name = candidate + std::to_string(counter);
    names_.insert(name);
    return name;
}

std::string CatalogueEditor::syllableName(std::uint32_t syllables)
{
    std::string name;
    for (std::uint32_t i = 0; i < syllables; ++i)
        name += random_.pick(kSyllables);
    return name;
}

// Most sets hold a handful of ROMs, a few hold dozens, as in MAME.
std::uint32_t CatalogueEditor::parentRomCount()
{
    const std::uint32_t roll = random_.below(100);
    if (roll < 78)
        return random_.between(1, 8);
    if (roll < 96)
        return random_.between(8, 15);
    return random_.between(16, 44);
}

std::uint32_t CatalogueEditor::romSize(std::uint8_t region)
{
    if (region == kProms)
        return 32u << random_.below(4);
    return 1u << random_.between(13, 21);
}

void CatalogueEditor::giveFreshContent(Dump& dump)
{
    if (dump.status == DumpStatus::NoDump)
        return;
    dump.crc = static_cast<std::uint32_t>(random_.next());
    for (std::size_t i = 0; i < dump.sha1.size(); i += 4) {
        const auto word = static_cast<std::uint32_t>(random_.next());
        for (std::size_t j = 0; j < 4; ++j)
            dump.sha1[i + j] = static_cast<std::uint8_t>(word >> (8 * j));
    }
}

Dump CatalogueEditor::newRom(std::string name, std::uint8_t region, std::uint32_t size)
{
    Dump dump;
    dump.name = std::move(name);
    dump.region = region;
    dump.size = size;
    if (random_.chance(0.008))
        dump.status = DumpStatus::BadDump;
    giveFreshContent(dump);
    return dump;
}

std::uint32_t CatalogueEditor::addOwn(std::uint32_t machine, Dump dump)
{
    Machine& owner = catalogue_.machines[machine];
    owner.dumps.push_back(std::move(dump));
    const auto index = static_cast<std::uint32_t>(owner.dumps.size() - 1);
    owner.listings.push_back(Listing{machine, index, {}});
    return index;
}

void CatalogueEditor::listBios(std::uint32_t machine, std::uint32_t bios)
{
    const auto biosDumps = static_cast<std::uint32_t>(catalogue_.machines[bios].dumps.size());
    for (std::uint32_t i = 0; i < biosDumps; ++i)
        catalogue_.machines[machine].listings.push_back(Listing{bios, i, {}});
}

// ROMs laid out region by region, offsets running on within each region; now and then an
// undumped PAL, as real sets have.
void CatalogueEditor::addParentRoms(std::uint32_t machine)
{
    const std::uint32_t count = parentRomCount();
    std::vector<std::uint8_t> regions{kMainCpu};
    const std::uint32_t regionCount = std::min(count, random_.between(1, 5));
    while (regions.size() < regionCount)
        regions.push_back(static_cast<std::uint8_t>(random_.between(kFirstOtherRegion, kLastOtherRegion)));

    const RomNaming naming{random_.below(3), random_.between(10000, 29999)};
    std::uint32_t offsets[kRomRegionCount] = {};
    const std::string name = catalogue_.machines[machine].name;
    for (std::uint32_t i = 0; i < count; ++i) {
        Dump dump;
        if (random_.chance(0.015)) {
            dump.name = std::string(random_.pick(kPalNames)) + "." + location(i);
            dump.region = kPlds;
            dump.size = 260;
            dump.status = DumpStatus::NoDump;
        } else {
            const std::uint8_t region = regions[i * regionCount / count];
            dump = newRom(romName(name, naming, i), region, romSize(region));
        }
        dump.offset = offsets[dump.region];
        offsets[dump.region] += dump.size;
        addOwn(machine, std::move(dump));
    }
}

void CatalogueEditor::addDisks(std::uint32_t machine)
{
    const std::uint32_t count = random_.chance(0.1) ? 2 : 1;
    const auto region = static_cast<std::uint8_t>(random_.below(kDiskRegionCount));
    for (std::uint32_t i = 0; i < count; ++i) {
        Dump disk;
        disk.name = catalogue_.machines[machine].name + ordinalSuffix('-', i);
        disk.isDisk = true;
        disk.region = region;
        disk.offset = i;
        if (random_.chance(0.03))
            disk.status = DumpStatus::NoDump;
        giveFreshContent(disk);
        addOwn(machine, std::move(disk));
    }
}

std::uint32_t CatalogueEditor::addBios()
{
    // One draw per statement: the order in which operands of + are evaluated is unspecified,
    // and the files must come out the same from every compiler.
    std::string name = syllableName(random_.between(2, 3));
    if (random_.chance(0.5))
        name += "bios";
    const std::uint32_t bios = addMachine(uniqueName(name), MachineKind::Bios);
    const auto options = static_cast<std::uint8_t>(random_.between(1, 6));
    catalogue_.machines[bios].biosOptions = options;
    const std::uint32_t count = random_.between(options + 1u, options + 8u);
    name = catalogue_.machines[bios].name;
    for (std::uint32_t i = 0; i < count; ++i) {
        const bool optionRom = i < options;
        const auto region = static_cast<std::uint8_t>(
            optionRom ? kMainBios : random_.between(kFirstBiosSideRegion, kRomRegionCount - 1));
        Dump dump = newRom(name + "-" + location(i) + ".bin", region, romSize(region));
        dump.biosOption = static_cast<std::uint8_t>(optionRom ? i + 1 : 0);
        addOwn(bios, std::move(dump));
    }
    catalogue_.bioses.push_back(bios);
    return bios;
}

std::uint32_t CatalogueEditor::addDevice()
{
    std::string name = random_.pick(kDevicePrefixes);
    name += std::to_string(random_.between(10, 9999));
    const std::uint32_t device = addMachine(uniqueName(name), MachineKind::Device);
    if (random_.chance(0.3)) {
        name = catalogue_.machines[device].name;
        const std::uint32_t count = random_.between(1, 3);
        for (std::uint32_t i = 0; i < count; ++i)
            addOwn(device, newRom(name + ordinalSuffix('_', i) + ".bin", kUser1,
                                  romSize(kUser1)));
    }
    catalogue_.devices.push_back(device);
    return device;
}

std::uint32_t CatalogueEditor::addParent()
{
    const std::uint32_t parent = addMachine(uniqueName(syllableName(random_.between(2, 4))), MachineKind::Parent);
    // Half of the BIOS-based games use the first BIOS, as most BIOS games are on a few systems.
    if (!catalogue_.bioses.empty() && random_.chance(0.22)) {
        const std::uint32_t bios = random_.chance(0.5)
            ? catalogue_.bioses.front()
            : catalogue_.bioses[random_.below(static_cast<std::uint32_t>(catalogue_.bioses.size()))];
        catalogue_.machines[parent].bios = bios;
        listBios(parent, bios);
    }
    addParentRoms(parent);
    if (random_.chance(0.025))
        addDisks(parent);
    if (random_.chance(0.01))
        catalogue_.machines[parent].samples = static_cast<std::uint16_t>(random_.between(3, 40));
    catalogue_.parents.push_back(parent);
    return parent;
}

// A clone shares most of its parent's ROMs (merge), swaps some for its own and may add a few.
void CatalogueEditor::addCloneListing(std::uint32_t clone, const Listing& parentListing)
{
    const Machine& owner = catalogue_.machines[parentListing.owner];
    const Dump& shared = owner.dumps[parentListing.dump];
    const bool sharedFromBios = owner.kind == MachineKind::Bios;
    if (sharedFromBios || random_.chance(shared.isDisk ? 0.6 : 0.62)) {
        Listing listing = parentListing;
        if (!sharedFromBios && !shared.isDisk && random_.chance(0.08))
            listing.alias = catalogue_.machines[clone].name + "." + location(200 + parentListing.dump);
        catalogue_.machines[clone].listings.push_back(std::move(listing));
        return;
    }
    Dump own = shared;
    const std::string& cloneName = catalogue_.machines[clone].name;
    // A parent's disks are named after it ("name", "name-2"); the clone's own keep that pattern.
    own.name = shared.isDisk ? cloneName + shared.name.substr(owner.name.size())
                             : cloneName + "." + location(parentListing.dump);
    giveFreshContent(own);
    addOwn(clone, std::move(own));
}

std::uint32_t CatalogueEditor::addClone(std::uint32_t parent)
{
    const std::string parentName = catalogue_.machines[parent].name;
    const std::uint32_t clone = addMachine(uniqueName(parentName + random_.pick(kCloneSuffixes)), MachineKind::Clone);
    catalogue_.machines[clone].parent = parent;
    const std::vector<Listing> parentListings = catalogue_.machines[parent].listings;
    for (const Listing& listing : parentListings)
        addCloneListing(clone, listing);
    if (random_.chance(0.12)) {
        const std::uint32_t extra = random_.between(1, 3);
        for (std::uint32_t i = 0; i < extra; ++i)
            addOwn(clone, newRom(catalogue_.machines[clone].name + "." + location(150 + i), kUser1, romSize(kUser1)));
    }
    return clone;
}

// A few parents have many clones, most have none or one or two.
std::uint32_t CatalogueEditor::pickParent()
{
    const auto& parents = catalogue_.parents;
    const auto count = static_cast<std::uint32_t>(parents.size());
    const std::uint32_t popular = std::max(1u, count / 20);
    return parents[random_.chance(0.3) ? random_.below(popular) : random_.below(count)];
}

std::vector<std::uint32_t> CatalogueEditor::liveCloneCounts() const
{
    std::vector<std::uint32_t> counts(catalogue_.machines.size(), 0);
    for (const Machine& machine : catalogue_.machines)
        if (machine.kind == MachineKind::Clone && !machine.removed)
            ++counts[machine.parent];
    return counts;
}

// Clones and parents without clones go, so no surviving clone points at a missing parent.
void CatalogueEditor::removeSets(std::uint32_t count)
{
    const std::vector<std::uint32_t> cloneCounts = liveCloneCounts();
    auto& machines = catalogue_.machines;
    for (std::uint32_t removed = 0, tries = 0; removed < count && tries < 100 * count; ++tries) {
        const std::uint32_t index = random_.below(static_cast<std::uint32_t>(machines.size()));
        Machine& machine = machines[index];
        const bool removable = machine.kind == MachineKind::Clone
            || (machine.kind == MachineKind::Parent && cloneCounts[index] == 0);
        if (machine.removed || !removable)
            continue;
        machine.removed = true;
        ++removed;
    }
}

void CatalogueEditor::addSets(std::uint32_t count)
{
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint32_t parent = pickParent();
        if (i % 3 == 0 && !catalogue_.machines[parent].removed)
            addClone(parent);
        else
            addParent();
    }
}

std::optional<std::pair<std::uint32_t, std::uint32_t>> CatalogueEditor::pickOwnDump(bool disk)
{
    auto& machines = catalogue_.machines;
    for (int tries = 0; tries < 10000; ++tries) {
        const std::uint32_t index = random_.below(static_cast<std::uint32_t>(machines.size()));
        const Machine& machine = machines[index];
        if (machine.removed || machine.dumps.empty())
            continue;
        const std::uint32_t dump = random_.below(static_cast<std::uint32_t>(machine.dumps.size()));
        const Dump& candidate = machine.dumps[dump];
        if (!candidate.removed && candidate.isDisk == disk && candidate.status != DumpStatus::NoDump)
            return std::make_pair(index, dump);
    }
    return std::nullopt;
}

void CatalogueEditor::changeRomContents(std::uint32_t count)
{
    for (std::uint32_t i = 0; i < count; ++i)
        if (auto picked = pickOwnDump(false)) {
            Dump& dump = catalogue_.machines[picked->first].dumps[picked->second];
            if (random_.chance(0.2))
                dump.size *= 2;
            giveFreshContent(dump);
        }
}

void CatalogueEditor::renameRoms(std::uint32_t count)
{
    for (std::uint32_t i = 0; i < count; ++i)
        if (auto picked = pickOwnDump(false)) {
            std::string& name = catalogue_.machines[picked->first].dumps[picked->second].name;
            const std::size_t dot = name.rfind('.');
            name.insert(dot == std::string::npos ? name.size() : dot, "_v2");
        }
}

void CatalogueEditor::addRoms(std::uint32_t count)
{
    for (std::uint32_t i = 0; i < count; ++i)
        if (auto picked = pickOwnDump(false)) {
            const std::uint32_t machine = picked->first;
            const std::string name = catalogue_.machines[machine].name + "_new"
                + std::to_string(catalogue_.machines[machine].dumps.size()) + ".bin";
            addOwn(machine, newRom(name, kUser1, romSize(kUser1)));
        }
}

void CatalogueEditor::removeRoms(std::uint32_t count)
{
    for (std::uint32_t i = 0; i < count; ++i)
        if (auto picked = pickOwnDump(false))
            catalogue_.machines[picked->first].dumps[picked->second].removed = true;
}

void CatalogueEditor::changeDisks(std::uint32_t count)
{
    for (std::uint32_t i = 0; i < count; ++i)
        if (auto picked = pickOwnDump(true))
            giveFreshContent(catalogue_.machines[picked->first].dumps[picked->second]);
}

// A BIOS update reaches every set that merges the BIOS. The last BIOS is one of the many that
// few games use (the first is the popular one), so the change stays a few percent of the DAT.
void CatalogueEditor::changeOneBiosRom()
{
    if (catalogue_.bioses.empty())
        return;
    Machine& bios = catalogue_.machines[catalogue_.bioses.back()];
    giveFreshContent(bios.dumps.back());
}

std::uint32_t percentOf(std::uint32_t total, double percent)
{
    return std::max(1u, static_cast<std::uint32_t>(total * percent / 100.0));
}

} // namespace

Catalogue buildCatalogue(std::uint32_t setCount, std::uint64_t seed)
{
    Catalogue catalogue;
    CatalogueEditor editor(catalogue, seed);
    const std::uint32_t bioses = std::max(1u, setCount / 750);
    const std::uint32_t devices = setCount * 9 / 100;
    const std::uint32_t drivers = setCount > bioses + devices + 2 ? setCount - bioses - devices : 2;
    const std::uint32_t parents = std::max(1u, drivers * 45 / 100);
    for (std::uint32_t i = 0; i < bioses; ++i)
        editor.addBios();
    for (std::uint32_t i = 0; i < devices; ++i)
        editor.addDevice();
    for (std::uint32_t i = 0; i < parents; ++i)
        editor.addParent();
    for (std::uint32_t i = parents; i < drivers; ++i)
        editor.addClone(editor.pickParent());
    return catalogue;
}

void applyChanges(Catalogue& catalogue, std::uint64_t seed)
{
    CatalogueEditor editor(catalogue, seed);
    const auto sets = static_cast<std::uint32_t>(catalogue.machines.size());
    editor.removeSets(percentOf(sets, 1.0));
    editor.addSets(percentOf(sets, 1.5));
    editor.changeRomContents(percentOf(sets, 2.0));
    editor.renameRoms(percentOf(sets, 1.0));
    editor.addRoms(percentOf(sets, 1.0));
    editor.removeRoms(percentOf(sets, 1.0));
    editor.changeDisks(std::max(1u, static_cast<std::uint32_t>(catalogue.parents.size()) / 400));
    editor.changeOneBiosRom();
}

const char* romRegionName(std::uint8_t region)
{
    return kRomRegions[region];
}

const char* diskRegionName(std::uint8_t region)
{
    return kDiskRegions[region];
}

} // namespace datgen
