#pragma once

#include "outcome.h"

#include <QString>

namespace quillon {

class SettingsStore;

// The diff tool's switches for the stored comparison options, e.g. "-s -d2 -z".
QString BuildDiffSwitches(const SettingsStore& store);

// Whether `switches`, given by the user in place of the stored options, are only the diff tool's
// comparison switches (set type, DAT type, objects, renames, nodump, BIOS). Inputs, entries,
// reports and progress are Quillon's to pass, so any other word is refused, in the tool's words.
Outcome CheckDiffSwitches(const QString& switches);

}  // namespace quillon
