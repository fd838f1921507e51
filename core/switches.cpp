#include "switches.h"

#include "settingkeys.h"

#include <QStringList>

namespace quillon {

using namespace Qt::Literals::StringLiterals;

namespace {

// An option stored as an index into its switch table; an index outside the table adds nothing.
QString optionSwitch(const SettingsStore& store, const SettingKey& key, const QStringList& table)
{
    const qint16 index = store.readInt16(key);
    return index >= 0 && index < table.size() ? table.at(index) : QString();
}

// A check box counts as on only when ticked; a grey box (2) adds nothing.
QString checkBoxSwitch(const SettingsStore& store, const SettingKey& key, const QString& piece)
{
    return store.readDouble(key) == 1.0 ? piece : QString();
}

}  // namespace

QString BuildDiffSwitches(const SettingsStore& store)
{
    QStringList pieces{
        optionSwitch(store, keys::SetType, {u"-s"_s, u"-m"_s, u"-n"_s}),
        optionSwitch(store, keys::DatType, {u"-d1"_s, u"-d2"_s, u"-d3"_s, u"-d4"_s}),
        optionSwitch(store, keys::Object, {QString(), u"-o disk"_s, u"-o sample"_s}),
        checkBoxSwitch(store, keys::RomRenames, u"-r"_s),
        checkBoxSwitch(store, keys::NoDump, u"-z"_s),
        checkBoxSwitch(store, keys::NonSeparatedBios, u"-b"_s),
    };
    pieces.removeAll(QString());
    return pieces.join(u' ');
}

Outcome CheckDiffSwitches(const QString& switches)
{
    static const QStringList single{u"-s"_s, u"-m"_s, u"-n"_s, u"-d1"_s, u"-d2"_s, u"-d3"_s,
                                    u"-d4"_s, u"-r"_s, u"-z"_s, u"-b"_s};
    static const QStringList objects{u"disk"_s, u"sample"_s};
    const QStringList words = switches.split(u' ', Qt::SkipEmptyParts);
    for (qsizetype i = 0; i < words.size(); ++i) {
        const QString& word = words.at(i);
        if (single.contains(word))
            continue;
        if (word != u"-o"_s)
            return Outcome::failure(u"unknown switch '"_s + word + u"'"_s);
        if (i + 1 == words.size() || !objects.contains(words.at(i + 1)))
            return Outcome::failure(u"-o needs 'disk' or 'sample'"_s);
        ++i;
    }
    return Outcome::success();
}

}  // namespace quillon
