#include "switches.h"

#include "settingkeys.h"

#include <QStringList>

namespace quillon {

using namespace Qt::Literals::StringLiterals;

namespace {

QString setTypeSwitch(qint16 setType)
{
    switch (setType) {
    case 0: return u"-s"_s;
    case 1: return u"-m"_s;
    case 2: return u"-n"_s;
    default: return {};
    }
}

QString datTypeSwitch(qint16 datType)
{
    switch (datType) {
    case 0: return u"-d1"_s;
    case 1: return u"-d2"_s;
    case 2: return u"-d3"_s;
    case 3: return u"-d4"_s;
    default: return {};
    }
}

QString objectSwitch(qint16 object)
{
    switch (object) {
    case 1: return u"-o disk"_s;
    case 2: return u"-o sample"_s;
    default: return {};
    }
}

// A check box counts as on only when ticked; a grey box (2) adds nothing.
QString checkBoxSwitch(const SettingsStore& store, const SettingKey& key, const char* piece)
{
    return store.readDouble(key) == 1.0 ? QString::fromLatin1(piece) : QString();
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
    return pieces.join(u' ');
}

}  // namespace quillon
