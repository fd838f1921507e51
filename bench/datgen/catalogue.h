#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace datgen {

inline constexpr std::uint32_t kNone = UINT32_MAX;

enum class DumpStatus : std::uint8_t { Good, BadDump, NoDump };

// One ROM or disk image, held by the set that owns it. Other sets list it by reference, so a
// change to it in the changed copy reaches every set that merges it, as in a real MAME update.
struct Dump {
    std::string name;
    std::uint32_t size = 0;   // ROMs only
    std::uint32_t crc = 0;    // ROMs only
    std::array<std::uint8_t, 20> sha1{};
    std::uint32_t offset = 0; // ROMs only
    std::uint8_t region = 0;  // index into romRegions() or diskRegions()
    std::uint8_t biosOption = 0; // 1-based biosset of a BIOS ROM, 0 for none
    DumpStatus status = DumpStatus::Good;
    bool isDisk = false;
    bool removed = false; // gone from the changed copy, with every listing of it
};

// One line of a set's ROM or disk list: a dump of its own, or one it shares with its parent or
// BIOS (written with merge="owner's name").
struct Listing {
    std::uint32_t owner = kNone; // machine holding the dump; the listing set itself for own dumps
    std::uint32_t dump = 0;      // index into the owner's dumps
    std::string alias;           // name a clone gives a shared dump; empty keeps the owner's
};

enum class MachineKind : std::uint8_t { Parent, Clone, Bios, Device };

struct Machine {
    std::string name;
    MachineKind kind = MachineKind::Parent;
    std::uint32_t parent = kNone; // cloneof
    std::uint32_t bios = kNone;   // the BIOS set a parent reaches through romof
    std::uint64_t seed = 0;       // drives the descriptive elements, the same in both copies
    std::uint16_t samples = 0;
    std::uint8_t biosOptions = 0; // biosset entries of a BIOS set
    bool removed = false;         // gone from the changed copy
    std::vector<Dump> dumps;
    std::vector<Listing> listings;
};

struct Catalogue {
    std::vector<Machine> machines;
    std::vector<std::uint32_t> bioses;
    std::vector<std::uint32_t> devices;
    std::vector<std::uint32_t> parents;
};

// A MAME-like catalogue of about setCount sets: BIOS sets, device sets, parents and clones.
Catalogue buildCatalogue(std::uint32_t setCount, std::uint64_t seed);

// Turns the catalogue into the next version: a few percent of sets removed and added, ROMs
// changed, renamed, added and removed.
void applyChanges(Catalogue& catalogue, std::uint64_t seed);

const char* romRegionName(std::uint8_t region);
const char* diskRegionName(std::uint8_t region);

} // namespace datgen
