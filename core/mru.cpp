#include "mru.h"

#include "settingsstore.h"

#include <algorithm>

namespace quillon {

using namespace Qt::Literals::StringLiterals;

namespace {

QString sectionOf(const QString& listName)
{
    return u"MRU"_s + listName;
}

// A hand-edited "Count" larger than the list can ever be is not allowed to make reads explode.
qsizetype storedCount(const SettingsStore& store, const QString& section)
{
    const std::optional<double> count = parseStoredNumber(store.GetSetting(section, u"Count"_s, {}));
    if (!count || *count < 1)
        return 0;
    return static_cast<qsizetype>(std::min<double>(*count, mru::Capacity));
}

}  // namespace

QStringList LoadMRU(const SettingsStore& store, const QString& listName)
{
    const QString section = sectionOf(listName);
    const qsizetype count = storedCount(store, section);
    if (count == 0)
        return {QString()};
    QStringList entries;
    entries.reserve(count);
    for (qsizetype index = 0; index < count; ++index)
        entries.append(store.GetSetting(section, QString::number(index), {}));
    return entries;
}

void SaveMRU(SettingsStore& store, const QString& listName, const QStringList& entries)
{
    const QString section = sectionOf(listName);
    const SettingsStore::Batch oneWrite(store);
    for (qsizetype index = 0; index < entries.size(); ++index)
        store.SaveSetting(section, QString::number(index), entries.at(index));
    store.SaveSetting(section, u"Count"_s, QString::number(entries.size()));
}

void AddToMRU(SettingsStore& store, const QString& listName, const QString& value)
{
    QStringList entries = LoadMRU(store, listName);
    if (entries.first().isEmpty()) {
        entries.first() = value;
    } else {
        const qsizetype found = entries.indexOf(value);
        if (found >= 0)
            entries.removeAt(found);
        else if (entries.size() == mru::Capacity)
            entries.removeLast();
        entries.prepend(value);
    }
    SaveMRU(store, listName, entries);
}

}  // namespace quillon
