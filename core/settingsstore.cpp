#include "settingsstore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cmath>
#include <limits>

namespace quillon {

using namespace Qt::Literals::StringLiterals;

namespace {

// The fixed names and defaults of settingkeys.h are plain ASCII.
QString latin1(const char* text)
{
    return QString::fromLatin1(text);
}

QString findIgnoringCase(const QStringList& names, const QString& wanted)
{
    for (const QString& name : names) {
        if (name.compare(wanted, Qt::CaseInsensitive) == 0)
            return name;
    }
    return wanted;
}

QString configHome()
{
    const QString configured = qEnvironmentVariable("XDG_CONFIG_HOME");
    return configured.isEmpty() ? QDir::homePath() + u"/.config"_s : configured;
}

}  // namespace

SettingsStore::SettingsStore(const QString& iniPath) : settings_(iniPath, QSettings::IniFormat) {}

QString SettingsStore::defaultPath()
{
    return configHome() + u"/Quillon/Quillon.ini"_s;
}

QString SettingsStore::GetSetting(const QString& section, const QString& key,
                                  const QString& defaultValue) const
{
    const QVariant value = settings_.value(storedPath(section, key), defaultValue);
    // An unquoted value with commas in a hand-edited file reads back as a list.
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(u", "_s);
    return value.toString();
}

void SettingsStore::SaveSetting(const QString& section, const QString& key, const QString& value)
{
    settings_.setValue(storedPath(section, key), value);
    // Written at once, so that a file that cannot be written is noticed while the user is there.
    if (openBatches_ == 0)
        sync();
}

void SettingsStore::sync()
{
    settings_.sync();
    if (settings_.status() != QSettings::AccessError || writeFailureReported_ || !onWriteFailure_)
        return;
    writeFailureReported_ = true;
    onWriteFailure_(writeFailureReason());
}

// QSettings says only that it failed; trying the file ourselves gives the system's reason.
QString SettingsStore::writeFailureReason() const
{
    const QFileInfo folder(QFileInfo(fileName()).path());
    if (!folder.exists())
        return u"The folder "_s + folder.filePath() + u" does not exist and cannot be made."_s;
    QFile file(fileName());
    if (!file.open(QIODevice::Append))
        return file.errorString();
    return QStringLiteral("The file could not be written.");
}

QString SettingsStore::readString(const SettingKey& key) const
{
    return GetSetting(latin1(key.section), latin1(key.key), latin1(key.defaultValue));
}

qint16 SettingsStore::readInt16(const SettingKey& key) const
{
    return parseStoredInt16(readString(key)).value_or(parseStoredInt16(latin1(key.defaultValue)).value_or(0));
}

double SettingsStore::readDouble(const SettingKey& key) const
{
    return readDouble(key, parseStoredNumber(latin1(key.defaultValue)).value_or(0.0));
}

double SettingsStore::readDouble(const SettingKey& key, double fallback) const
{
    return parseStoredNumber(GetSetting(latin1(key.section), latin1(key.key), {})).value_or(fallback);
}

bool SettingsStore::readBool(const SettingKey& key) const
{
    return parseStoredBool(readString(key)).value_or(parseStoredBool(latin1(key.defaultValue)).value_or(false));
}

void SettingsStore::write(const SettingKey& key, const QString& value)
{
    SaveSetting(latin1(key.section), latin1(key.key), value);
}

QString SettingsStore::storedSection(const QString& section) const
{
    return findIgnoringCase(settings_.childGroups(), section);
}

QString SettingsStore::storedKey(const QString& section, const QString& key) const
{
    settings_.beginGroup(section);
    const QString stored = findIgnoringCase(settings_.childKeys(), key);
    settings_.endGroup();
    return stored;
}

QString SettingsStore::storedPath(const QString& section, const QString& key) const
{
    const QString group = storedSection(section);
    return group + u'/' + storedKey(group, key);
}

std::optional<double> parseStoredNumber(const QString& text)
{
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<qint16> parseStoredInt16(const QString& text)
{
    const std::optional<double> number = parseStoredNumber(text);
    if (!number)
        return std::nullopt;
    // Round half to even, as the integer conversion of the stored values always has.
    const double rounded = std::nearbyint(*number);
    if (rounded < std::numeric_limits<qint16>::min() || rounded > std::numeric_limits<qint16>::max())
        return std::nullopt;
    return static_cast<qint16>(rounded);
}

std::optional<bool> parseStoredBool(const QString& text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.compare(u"True"_s, Qt::CaseInsensitive) == 0)
        return true;
    if (trimmed.compare(u"False"_s, Qt::CaseInsensitive) == 0)
        return false;
    if (const std::optional<double> number = parseStoredNumber(trimmed))
        return *number != 0.0;
    return std::nullopt;
}

}  // namespace quillon
