#pragma once

#include <QSettings>
#include <QString>

#include <functional>
#include <optional>

namespace quillon {

// A key of the store with the default every reader uses when it is missing or unreadable.
struct SettingKey {
    const char* section;
    const char* key;
    const char* defaultValue;
};

// The per-user store of string values, addressed by section and key. Section and key names
// match without regard to letter case, as users and older versions wrote them both ways.
// A read never fails: a missing value gives the default, and so does a value the typed
// readers cannot convert (a hand-edited file).
class SettingsStore {
public:
    explicit SettingsStore(const QString& iniPath);

    // $XDG_CONFIG_HOME/Quillon/Quillon.ini
    static QString defaultPath();

    QString GetSetting(const QString& section, const QString& key, const QString& defaultValue) const;
    void SaveSetting(const QString& section, const QString& key, const QString& value);

    QString readString(const SettingKey& key) const;
    qint16 readInt16(const SettingKey& key) const;
    double readDouble(const SettingKey& key) const;
    double readDouble(const SettingKey& key, double fallback) const;
    bool readBool(const SettingKey& key) const;
    void write(const SettingKey& key, const QString& value);

    QString fileName() const { return settings_.fileName(); }
    // Writes pending values to the file. A file that cannot be written is reported to the
    // failure handler, once in the store's life, so the user hears of it without being nagged
    // at every change.
    void sync();

    // Saves made while a Batch lives are written to the file once, when the last Batch ends, rather
    // than one by one.
    class Batch {
    public:
        explicit Batch(SettingsStore& store) : store_(store) { ++store_.openBatches_; }
        ~Batch()
        {
            if (--store_.openBatches_ == 0)
                store_.sync();
        }
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;

    private:
        SettingsStore& store_;
    };

    // Told why the file could not be written.
    using WriteFailureHandler = std::function<void(const QString& reason)>;
    void setWriteFailureHandler(WriteFailureHandler handler) { onWriteFailure_ = std::move(handler); }

private:
    QString storedSection(const QString& section) const;
    QString storedKey(const QString& section, const QString& key) const;
    QString storedPath(const QString& section, const QString& key) const;

    QString writeFailureReason() const;

    mutable QSettings settings_;
    WriteFailureHandler onWriteFailure_;
    bool writeFailureReported_ = false;
    int openBatches_ = 0;
};

// Conversions of stored text, shared by the typed readers; empty when the text does not convert.
std::optional<double> parseStoredNumber(const QString& text);
std::optional<qint16> parseStoredInt16(const QString& text);
std::optional<bool> parseStoredBool(const QString& text);

}  // namespace quillon
