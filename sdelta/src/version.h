#pragma once

#include <string_view>

namespace setdelta {

inline constexpr std::string_view version = "1.0.0";

} // namespace setdelta
