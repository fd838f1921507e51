#include "listxml_writer.h"

#include "listxml_dtd.h"
#include "output.h"
#include "random.h"

#include <algorithm>
#include <cctype>
#include <iterator>

namespace datgen {
namespace {

constexpr const char* kTitleWords[] = {"Galaxy", "Ninja", "Dragon", "Thunder", "Street", "Super",
                                       "Battle", "Space", "Power", "Cyber", "Knight", "Racer",
                                       "Blaster", "Force", "Tiger", "Quest", "Fighter", "Star",
                                       "Mahjong", "Puzzle", "Golf", "Turbo", "Magical", "Metal",
                                       "Cops &amp; Robbers", "Ghost", "Island", "Legend", "Zone",
                                       "Strike", "Crystal", "Wonder", "Hyper", "Blade"};
constexpr const char* kTitleTails[] = {"", "", "", " II", " 2", " '88", " Deluxe", " Plus",
                                       ": The Revenge", " Special", " Gold"};
constexpr const char* kVariants[] = {"Japan", "US", "World", "Europe", "Asia", "Korea",
                                     "bootleg", "prototype", "Japan, set 2", "US, Rev A",
                                     "World, ver 1.1", "hack", "Taiwan", "Brazil", "set 3"};
constexpr const char* kManufacturers[] = {"Namco", "Sega", "Taito", "Capcom", "Konami",
                                          "Irem", "SNK", "Data East Corporation", "Atari Games",
                                          "Midway", "Nichibutsu", "Jaleco", "Toaplan", "Kaneko",
                                          "Williams", "Bally Midway", "Sega / Gremlin",
                                          "Technos Japan", "Video System Co.", "Seibu Kaihatsu",
                                          "Tecmo", "Nintendo", "Universal", "Exidy", "Cinematronics",
                                          "Sammy &amp; Taito", "IGS", "Psikyo", "Cave (AMI license)"};
constexpr const char* kSourceFolders[] = {"namco", "sega", "taito", "capcom", "konami", "irem",
                                          "snk", "dataeast", "atari", "midway", "nichibut", "jaleco",
                                          "toaplan", "kaneko", "misc", "igs", "psikyo", "seibu"};
constexpr const char* kDeviceMakers[] = {"Zilog", "Motorola", "Yamaha", "OKI", "General Instrument",
                                         "Texas Instruments", "Hitachi", "NEC", "Intel", "Sega",
                                         "Namco", "Konami", "Philips", "Sony"};
constexpr const char* kDeviceFolders[] = {"cpu", "sound", "machine", "video", "bus"};
constexpr const char* kBiosOptions[] = {"euro", "us", "asia", "japan", "unibios", "debug"};

struct Chip {
    const char* name;
    std::uint32_t clock;
};
constexpr Chip kCpus[] = {{"Zilog Z80", 3072000},         {"Motorola MC68000", 12000000},
                          {"Hitachi HD6309", 3000000},    {"MOS Technology 6502", 1500000},
                          {"Intel 8085A", 6144000},       {"NEC V30", 8000000},
                          {"Hitachi SH-2 (SH7604)", 28636360}, {"MIPS R3000A", 33868800},
                          {"Motorola MC6809E", 1536000},  {"Intel I8751", 8000000}};
constexpr Chip kSoundChips[] = {{"Yamaha YM2151", 3579545},  {"Yamaha YM2203", 1500000},
                                {"OKI MSM6295", 1000000},    {"AY-3-8910A PSG", 1789772},
                                {"SN76489", 4000000},        {"Namco 8-voice", 96000},
                                {"Yamaha YMF278B", 33868800}, {"Ensoniq ES5506", 16000000}};
constexpr const char* kCpuTags[] = {"maincpu", "audiocpu", "subcpu"};
constexpr const char* kControls[] = {"joy", "stick", "paddle", "dial", "trackball", "lightgun",
                                     "pedal", "only_buttons", "mahjong", "gambling"};

struct DipSwitch {
    const char* name;
    const char* const* values;
    std::uint32_t valueCount;
};
constexpr const char* kOnOff[] = {"Off", "On"};
constexpr const char* kCabinet[] = {"Upright", "Cocktail"};
constexpr const char* kCoinage[] = {"4 Coins/1 Credit", "3 Coins/1 Credit", "2 Coins/1 Credit",
                                    "1 Coin/1 Credit", "2 Coins/3 Credits", "1 Coin/2 Credits",
                                    "1 Coin/3 Credits", "1 Coin/4 Credits", "1 Coin/6 Credits",
                                    "Free Play"};
constexpr const char* kLives[] = {"1", "2", "3", "4", "5", "Infinite (Cheat)"};
constexpr const char* kDifficulty[] = {"Easy", "Normal", "Hard", "Hardest"};
constexpr const char* kBonus[] = {"10000", "20000", "30000 50000", "20000 and every 60000", "None"};
constexpr const char* kLanguage[] = {"Japanese", "English", "Spanish", "Italian", "German"};
constexpr DipSwitch kDipSwitches[] = {
    {"Coinage", kCoinage, std::size(kCoinage)},       {"Coin A", kCoinage, std::size(kCoinage)},
    {"Coin B", kCoinage, std::size(kCoinage)},        {"Lives", kLives, std::size(kLives)},
    {"Bonus Life", kBonus, std::size(kBonus)},        {"Difficulty", kDifficulty, std::size(kDifficulty)},
    {"Cabinet", kCabinet, std::size(kCabinet)},       {"Flip Screen", kOnOff, std::size(kOnOff)},
    {"Demo Sounds", kOnOff, std::size(kOnOff)},       {"Service Mode", kOnOff, std::size(kOnOff)},
    {"Allow Continue", kOnOff, std::size(kOnOff)},    {"Language", kLanguage, std::size(kLanguage)},
    {"Freeze", kOnOff, std::size(kOnOff)},            {"Unknown", kOnOff, std::size(kOnOff)},
    {"Invulnerability (Cheat)", kOnOff, std::size(kOnOff)}};

// The element names of a bank of switches: DIP switches and configuration jumpers share a shape.
struct SwitchElements {
    const char* bank;
    const char* location;
    const char* setting;
    const char* tag;
};
constexpr SwitchElements kDipSwitchElements{"dipswitch", "diplocation", "dipvalue", ":DSW"};
constexpr SwitchElements kConfigurationElements{"configuration", "conflocation", "confsetting", ":CONFIG"};

class ListxmlWriter {
public:
    ListxmlWriter(const Catalogue& catalogue, Output& out) : catalogue_(catalogue), out_(out) {}

    WrittenCounts write(std::string_view build);

private:
    std::vector<std::uint32_t> writeOrder() const;
    void writeMachine(std::uint32_t index);
    void writeOpening(std::uint32_t index);
    void writeDescription(const Machine& machine);
    void writeDeviceDescription(const Machine& machine);
    void writeBiosSets(const Machine& machine);
    void writeListings(std::uint32_t index, bool disks);
    void writeRom(const Machine& machine, const Listing& listing, const Machine& owner, const Dump& dump);
    void writeDisk(const Machine& machine, const Listing& listing, const Machine& owner, const Dump& dump);
    void writeDeviceRefs(Random& random, std::uint32_t count);
    void writeSamples(const Machine& machine);
    void writeHardware(Random& random);
    void writeChips(Random& random);
    void writeDisplay(Random& random);
    void writeInput(Random& random);
    void writeSwitches(Random& random, const SwitchElements& elements, std::uint32_t count);
    void writeSwitch(Random& random, const SwitchElements& elements, const DipSwitch& dip, std::uint32_t bank);
    void writePorts(Random& random);
    void writeDriver(Random& random);
    const Machine& root(const Machine& machine) const;
    const Machine* sampleOwner(const Machine& machine) const;

    const Catalogue& catalogue_;
    Output& out_;
    WrittenCounts counts_;
};

WrittenCounts ListxmlWriter::write(std::string_view build)
{
    out_ << kListxmlProlog << "<mame build=\"" << build << "\" debug=\"no\" mameconfig=\"10\">\n";
    for (const std::uint32_t index : writeOrder())
        writeMachine(index);
    out_ << "</mame>\n";
    counts_.bytes = out_.bytesWritten();
    return counts_;
}

std::vector<std::uint32_t> ListxmlWriter::writeOrder() const
{
    std::vector<std::uint32_t> order;
    for (std::uint32_t i = 0; i < catalogue_.machines.size(); ++i)
        if (!catalogue_.machines[i].removed)
            order.push_back(i);
    std::sort(order.begin(), order.end(), [this](std::uint32_t left, std::uint32_t right) {
        const Machine& a = catalogue_.machines[left];
        const Machine& b = catalogue_.machines[right];
        const bool aDevice = a.kind == MachineKind::Device;
        const bool bDevice = b.kind == MachineKind::Device;
        return aDevice != bDevice ? bDevice : a.name < b.name;
    });
    return order;
}

const Machine& ListxmlWriter::root(const Machine& machine) const
{
    return machine.kind == MachineKind::Clone ? catalogue_.machines[machine.parent] : machine;
}

const Machine* ListxmlWriter::sampleOwner(const Machine& machine) const
{
    const Machine& owner = root(machine);
    return owner.samples > 0 ? &owner : nullptr;
}

void ListxmlWriter::writeMachine(std::uint32_t index)
{
    const Machine& machine = catalogue_.machines[index];
    ++counts_.sets;
    writeOpening(index);
    if (machine.kind == MachineKind::Device)
        writeDeviceDescription(machine);
    else
        writeDescription(machine);
    writeBiosSets(machine);
    writeListings(index, false);
    writeListings(index, true);
    // Clones run on their parent's hardware, so the hardware comes from the parent's seed.
    Random hardware(root(machine).seed);
    const bool isDevice = machine.kind == MachineKind::Device;
    writeDeviceRefs(hardware, isDevice ? hardware.below(3) : hardware.between(5, 48));
    writeSamples(machine);
    if (!isDevice)
        writeHardware(hardware);
    out_ << "\t</machine>\n";
}

void ListxmlWriter::writeOpening(std::uint32_t index)
{
    const Machine& machine = catalogue_.machines[index];
    Random random(root(machine).seed);
    out_ << "\t<machine name=\"" << machine.name << "\" sourcefile=\"";
    if (machine.kind == MachineKind::Device) {
        out_ << "src/devices/" << random.pick(kDeviceFolders) << '/' << machine.name << ".cpp\" isdevice=\"yes\" runnable=\"no\"";
    } else {
        const Machine& driver = machine.bios != kNone ? catalogue_.machines[machine.bios] : root(machine);
        out_ << random.pick(kSourceFolders) << '/' << driver.name << ".cpp\"";
    }
    if (machine.kind == MachineKind::Bios)
        out_ << " isbios=\"yes\"";
    if (machine.kind == MachineKind::Clone)
        out_ << " cloneof=\"" << root(machine).name << "\" romof=\"" << root(machine).name << '"';
    else if (machine.bios != kNone)
        out_ << " romof=\"" << catalogue_.machines[machine.bios].name << '"';
    if (const Machine* owner = sampleOwner(machine))
        out_ << " sampleof=\"" << owner->name << '"';
    out_ << ">\n";
}

void ListxmlWriter::writeDescription(const Machine& machine)
{
    Random title(root(machine).seed ^ 0x7469746c65ULL);
    out_ << "\t\t<description>" << title.pick(kTitleWords);
    const std::uint32_t extraWords = title.below(3);
    for (std::uint32_t i = 0; i < extraWords; ++i)
        out_ << ' ' << title.pick(kTitleWords);
    out_ << title.pick(kTitleTails);
    if (machine.kind == MachineKind::Bios)
        out_ << " BIOS";
    Random own(machine.seed);
    if (machine.kind == MachineKind::Clone)
        out_ << " (" << own.pick(kVariants) << ')';
    const std::uint32_t year = 1975 + title.below(48) + (own.chance(0.2) ? 1 : 0);
    out_ << "</description>\n\t\t<year>" << Decimal{year} << (own.chance(0.03) ? "?" : "")
         << "</year>\n\t\t<manufacturer>" << title.pick(kManufacturers);
    if (machine.kind == MachineKind::Clone && own.chance(0.3))
        out_ << " (bootleg)";
    out_ << "</manufacturer>\n";
}

void ListxmlWriter::writeDeviceDescription(const Machine& machine)
{
    Random random(machine.seed);
    out_ << "\t\t<description>" << random.pick(kDeviceMakers) << ' ';
    for (const char c : machine.name)
        out_ << static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    out_ << "</description>\n";
}

void ListxmlWriter::writeBiosSets(const Machine& machine)
{
    for (std::uint32_t option = 0; option < machine.biosOptions; ++option) {
        out_ << "\t\t<biosset name=\"" << kBiosOptions[option] << "\" description=\"" << kBiosOptions[option]
             << " BIOS (Ver. " << Decimal{option + 1} << ")\"" << (option == 0 ? " default=\"yes\"" : "") << "/>\n";
    }
}

void ListxmlWriter::writeListings(std::uint32_t index, bool disks)
{
    const Machine& machine = catalogue_.machines[index];
    for (const Listing& listing : machine.listings) {
        const Machine& owner = catalogue_.machines[listing.owner];
        const Dump& dump = owner.dumps[listing.dump];
        if (dump.removed || dump.isDisk != disks)
            continue;
        if (disks)
            writeDisk(machine, listing, owner, dump);
        else
            writeRom(machine, listing, owner, dump);
    }
}

void ListxmlWriter::writeRom(const Machine& machine, const Listing& listing, const Machine& owner, const Dump& dump)
{
    ++counts_.roms;
    out_ << "\t\t<rom name=\"" << (listing.alias.empty() ? dump.name : listing.alias) << '"';
    if (&owner != &machine)
        out_ << " merge=\"" << dump.name << '"';
    if (dump.biosOption != 0)
        out_ << " bios=\"" << kBiosOptions[dump.biosOption - 1] << '"';
    out_ << " size=\"" << Decimal{dump.size} << '"';
    if (dump.status != DumpStatus::NoDump)
        out_ << " crc=\"" << Hex{dump.crc, 8} << "\" sha1=\"" << HexBytes{dump.sha1} << '"';
    out_ << " region=\"" << romRegionName(dump.region) << "\" offset=\"" << Hex{dump.offset} << '"';
    if (dump.status == DumpStatus::NoDump)
        out_ << " status=\"nodump\"";
    else if (dump.status == DumpStatus::BadDump)
        out_ << " status=\"baddump\"";
    out_ << "/>\n";
}

void ListxmlWriter::writeDisk(const Machine& machine, const Listing& listing, const Machine& owner, const Dump& dump)
{
    ++counts_.disks;
    out_ << "\t\t<disk name=\"" << (listing.alias.empty() ? dump.name : listing.alias) << '"';
    if (&owner != &machine)
        out_ << " merge=\"" << dump.name << '"';
    if (dump.status == DumpStatus::NoDump)
        out_ << " status=\"nodump\"";
    else
        out_ << " sha1=\"" << HexBytes{dump.sha1} << '"';
    out_ << " region=\"" << diskRegionName(dump.region) << "\" index=\"" << Decimal{dump.offset}
         << "\" writable=\"no\"/>\n";
}

void ListxmlWriter::writeDeviceRefs(Random& random, std::uint32_t count)
{
    const auto& devices = catalogue_.devices;
    const auto available = static_cast<std::uint32_t>(devices.size());
    if (available == 0)
        return;
    // A run of neighbours keeps the references distinct without a lookup.
    const std::uint32_t first = random.below(available);
    for (std::uint32_t i = 0; i < std::min(count, available); ++i)
        out_ << "\t\t<device_ref name=\"" << catalogue_.machines[devices[(first + i) % available]].name << "\"/>\n";
}

void ListxmlWriter::writeSamples(const Machine& machine)
{
    const Machine* owner = sampleOwner(machine);
    if (owner == nullptr)
        return;
    for (std::uint32_t i = 0; i < owner->samples; ++i)
        out_ << "\t\t<sample name=\"" << owner->name << "_sfx" << Decimal{i + 1} << "\"/>\n";
}

void ListxmlWriter::writeHardware(Random& random)
{
    writeChips(random);
    writeDisplay(random);
    out_ << "\t\t<sound channels=\"" << Decimal{random.between(1, 2)} << "\"/>\n";
    writeInput(random);
    writeSwitches(random, kDipSwitchElements, random.below(22));
    writeSwitches(random, kConfigurationElements, random.chance(0.6) ? random.between(1, 3) : 0);
    writePorts(random);
    writeDriver(random);
}

void ListxmlWriter::writeChips(Random& random)
{
    const std::uint32_t cpus = random.between(1, 3);
    for (std::uint32_t i = 0; i < cpus; ++i) {
        const Chip& cpu = random.pick(kCpus);
        out_ << "\t\t<chip type=\"cpu\" tag=\"" << kCpuTags[i] << "\" name=\"" << cpu.name << "\" clock=\""
             << Decimal{cpu.clock} << "\"/>\n";
    }
    const std::uint32_t soundChips = random.between(1, 3);
    for (std::uint32_t i = 0; i < soundChips; ++i) {
        const Chip& chip = random.pick(kSoundChips);
        out_ << "\t\t<chip type=\"audio\" tag=\"snd" << Decimal{i + 1} << "\" name=\"" << chip.name
             << "\" clock=\"" << Decimal{chip.clock} << "\"/>\n";
    }
    out_ << "\t\t<chip type=\"audio\" tag=\"mono\" name=\"Speaker\"/>\n";
}

void ListxmlWriter::writeDisplay(Random& random)
{
    const std::uint32_t width = 8 * random.between(28, 48);
    const std::uint32_t height = 8 * random.between(24, 32);
    const std::uint32_t refreshMicrohertz = random.between(50000000, 61000000);
    out_ << "\t\t<display tag=\"screen\" type=\"raster\" rotate=\"" << (random.chance(0.3) ? "90" : "0")
         << "\" width=\"" << Decimal{width} << "\" height=\"" << Decimal{height} << "\" refresh=\""
         << Decimal{refreshMicrohertz / 1000000} << '.';
    const std::uint32_t fraction = refreshMicrohertz % 1000000;
    for (std::uint32_t scale = 100000; scale > 1 && fraction < scale; scale /= 10)
        out_ << '0';
    out_ << Decimal{fraction} << "\" pixclock=\"" << Decimal{width * 20000u} << "\" htotal=\""
         << Decimal{width + 64} << "\" hbend=\"0\" hbstart=\"" << Decimal{width} << "\" vtotal=\""
         << Decimal{height + 40} << "\" vbend=\"0\" vbstart=\"" << Decimal{height} << "\"/>\n";
}

void ListxmlWriter::writeInput(Random& random)
{
    const std::uint32_t players = random.between(1, 4);
    out_ << "\t\t<input players=\"" << Decimal{players} << "\" coins=\"" << Decimal{random.between(1, 4)} << '"'
         << (random.chance(0.5) ? " service=\"yes\"" : "") << ">\n";
    const char* control = random.pick(kControls);
    const std::uint32_t buttons = random.between(1, 6);
    for (std::uint32_t player = 1; player <= players; ++player)
        out_ << "\t\t\t<control type=\"" << control << "\" player=\"" << Decimal{player} << "\" buttons=\""
             << Decimal{buttons} << "\" ways=\"8\"/>\n";
    out_ << "\t\t</input>\n";
}

void ListxmlWriter::writeSwitches(Random& random, const SwitchElements& elements, std::uint32_t count)
{
    for (std::uint32_t i = 0; i < count; ++i)
        writeSwitch(random, elements, random.pick(kDipSwitches), i / 8 + 1);
}

void ListxmlWriter::writeSwitch(Random& random, const SwitchElements& elements, const DipSwitch& dip,
                                std::uint32_t bank)
{
    const std::uint32_t values = std::min(dip.valueCount, random.between(2, 8));
    std::uint32_t bits = 1;
    while ((1u << bits) < values)
        ++bits;
    const std::uint32_t shift = random.below(9 - bits);
    out_ << "\t\t<" << elements.bank << " name=\"" << dip.name << "\" tag=\"" << elements.tag << Decimal{bank}
         << "\" mask=\"" << Decimal{((1u << bits) - 1) << shift} << "\">\n";
    for (std::uint32_t bit = 0; bit < bits; ++bit)
        out_ << "\t\t\t<" << elements.location << " name=\"SW" << Decimal{bank} << "\" number=\""
             << Decimal{shift + bit + 1} << "\"/>\n";
    const std::uint32_t defaultValue = random.below(values);
    for (std::uint32_t value = 0; value < values; ++value)
        out_ << "\t\t\t<" << elements.setting << " name=\"" << dip.values[value] << "\" value=\""
             << Decimal{value << shift} << '"' << (value == defaultValue ? " default=\"yes\"" : "") << "/>\n";
    out_ << "\t\t</" << elements.bank << ">\n";
}

void ListxmlWriter::writePorts(Random& random)
{
    const std::uint32_t ports = random.between(2, 10);
    for (std::uint32_t i = 0; i < ports; ++i) {
        out_ << "\t\t<port tag=\":IN" << Decimal{i} << "\">\n";
        if (random.chance(0.1))
            out_ << "\t\t\t<analog mask=\"255\"/>\n";
        out_ << "\t\t</port>\n";
    }
}

void ListxmlWriter::writeDriver(Random& random)
{
    const bool good = random.chance(0.7);
    out_ << "\t\t<driver status=\"" << (good ? "good" : "imperfect") << "\" emulation=\""
         << (good ? "good" : "imperfect") << "\" savestate=\"" << (random.chance(0.6) ? "supported" : "unsupported")
         << "\"/>\n";
    if (!good)
        out_ << "\t\t<feature type=\"sound\" status=\"imperfect\"/>\n";
}

} // namespace

WrittenCounts writeListxml(const Catalogue& catalogue, const std::string& path, std::string_view build)
{
    Output out(path);
    const WrittenCounts counts = ListxmlWriter(catalogue, out).write(build);
    out.commit();
    return counts;
}

} // namespace datgen
