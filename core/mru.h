#pragma once

#include <QStringList>

namespace quillon {

class SettingsStore;

// Lists of recently used values, most recent first, kept in the settings store under the
// section "MRU" + list name. An empty list is the one-element list holding "".
namespace mru {
inline constexpr int Capacity = 15;
inline constexpr QLatin1StringView SourceDat{"SourceDat"};
inline constexpr QLatin1StringView CompareWith{"CompareWith"};
inline constexpr QLatin1StringView DestFile{"DestFile"};
inline constexpr QLatin1StringView SaveTo{"SaveTo"};
inline constexpr QLatin1StringView HeaderName{"HeaderName"};
inline constexpr QLatin1StringView HeaderDesc{"HeaderDesc"};
inline constexpr QLatin1StringView HeaderAuthor{"HeaderAuthor"};
}  // namespace mru

QStringList LoadMRU(const SettingsStore& store, const QString& listName);
// Keys of a longer list saved earlier stay in the store; "Count" bounds every read.
void SaveMRU(SettingsStore& store, const QString& listName, const QStringList& entries);
// Puts the value first (exact, case-sensitive match), moving it up if already listed.
void AddToMRU(SettingsStore& store, const QString& listName, const QString& value);

}  // namespace quillon
