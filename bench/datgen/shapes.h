#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace datgen {

// DAT pairs shaped to make a careless diff tool do quadratic work; each is repeated `copies`
// times under other set names, so that a run lasts long enough to time.
enum class Shape : std::uint8_t {
    ChangedRoms, // one set of 50,000 ROMs, every one changed in NEW (default switches)
    CloneChain,  // a clone chain 17 deep of 3,000 ROMs each, no merge marks (-n)
    CloneFamily, // a parent with 2,000 clones of 25 ROMs each (-m)
    LongNames,   // four sets of one ROM whose name is just under 1 MiB, the first changed in NEW (defaults)
};

std::optional<Shape> shapeNamed(std::string_view name);

// Writes the shape as MAME -listxml to OLD and its changed copy to NEW.
void writeShape(Shape shape, std::uint32_t copies, const std::string& oldPath, const std::string& newPath);

} // namespace datgen
