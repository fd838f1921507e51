#pragma once

#include "settingsstore.h"

// Every fixed key of the settings store with the default its readers use.
namespace quillon::keys {

// Comparison options, turned into the diff tool's switches.
inline constexpr SettingKey SetType{"Options", "SetType", "0"};  // 0 split, 1 merged, 2 non merged
// Also read as "datType"; keys match without regard to case.
inline constexpr SettingKey DatType{"Options", "DatType", "1"};  // 0 larger .. 3 ROM archival
inline constexpr SettingKey Object{"Options", "Object", "0"};    // 0 ROMs, 1 disks, 2 samples
// The check-box keys hold 0 (clear), 1 (ticked) or 2 (grey); only 1 counts as on.
inline constexpr SettingKey RomRenames{"Options", "RomRenames", "0"};
inline constexpr SettingKey NoDump{"Options", "NoDump", "1"};
inline constexpr SettingKey NonSeparatedBios{"Options", "Non-Separeted BIOS", "0"};

// Program options.
inline constexpr SettingKey MultipleInstances{"Options", "MupltipleInstances", "0"};
inline constexpr SettingKey DatFolderMode{"Options", "DatFolderMode", "0"};  // 1: both panels start in DatFolder
inline constexpr SettingKey DatFolder{"Options", "DatFolder", ""};
inline constexpr SettingKey SearchWholeFile{"Options", "SearchWholeFile", "0"};
// 1: the "Diff results" window opens after a successful Make Diff.
inline constexpr SettingKey ShowDiffResults{"Options", "ShowDiffResults", "1"};

// Window state. The position is in twips; its default is the window's designed place.
inline constexpr SettingKey PositionLeft{"Position", "Left", ""};
inline constexpr SettingKey PositionTop{"Position", "Top", ""};
inline constexpr SettingKey DiffZipDat{"CreateDiff", "ZipDat", "False"};
inline constexpr SettingKey CreateDatZipDat{"CreateDat", "ZipDat", "False"};
// The program of the last DAT creation, as chosen or typed, and its list switch ("-listxml").
inline constexpr SettingKey CreateDatExecutable{"CreateDat", "Executable", ""};
inline constexpr SettingKey CreateDatListSwitch{"CreateDat", "ListSwitch", "-listinfo"};
inline constexpr SettingKey HeaderAuthor{"CMPHeader", "Author", ""};

}  // namespace quillon::keys
