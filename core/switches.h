#pragma once

#include <QString>

namespace quillon {

class SettingsStore;

// The diff tool's switches for the stored comparison options, e.g. "-s -d2 -z".
QString BuildDiffSwitches(const SettingsStore& store);

}  // namespace quillon
