#include "switches.h"

#include "settingkeys.h"

#include <QStringList>

namespace quillon {

namespace {

QString setTypeSwitch(qint16 setType)
{
    switch (setType) {
    case 0: return "-s";
    case 1: return "-m";
    case 2: return "-n";
    default: return {};
    }
}

QString datTypeSwitch(qint16 datType)
{
    switch (datType) {
    case 0: return "-d1";
    case 1: return "-d2";
    case 2: return "-d3";
    case 3: return "-d4";
    default: return {};
    }
}

QString objectSwitch(qint16 object)
{
    switch (object) {
    case 1: return "-o disk";
    case 2: return "-o sample";
    default: return {};
    }
}

// A check box counts as on only when ticked; a grey box (2) adds nothing.
QString checkBoxSwitch(const SettingsStore& store, const SettingKey& key, const char* piece)
{
    return store.readDouble(key) == 1.0 ? QString(piece) : QString();
}

}  // namespace

QString BuildDiffSwitches(const SettingsStore& store)
{
    QStringList pieces{
        setTypeSwitch(store.readInt16(keys::SetType)),
        datTypeSwitch(store.readInt16(keys::DatType)),
        objectSwitch(store.readInt16(keys::Object)),
        checkBoxSwitch(store, keys::RomRenames, "-r"),
        checkBoxSwitch(store, keys::NoDump, "-z"),
        checkBoxSwitch(store, keys::NonSeparatedBios, "-b"),
    };
    pieces.removeAll(QString());
    return pieces.join(' ');
}

}  // namespace quillon
