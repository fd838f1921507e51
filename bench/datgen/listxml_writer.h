#pragma once

#include "catalogue.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace datgen {

struct WrittenCounts {
    std::uint64_t sets = 0;
    std::uint64_t roms = 0;
    std::uint64_t disks = 0;
    std::uint64_t bytes = 0;
};

// Writes the live sets of the catalogue as MAME -listxml, drivers by name and devices after
// them, as MAME orders its output.
WrittenCounts writeListxml(const Catalogue& catalogue, const std::string& path, std::string_view build);

} // namespace datgen
