#pragma once

#include "qtprinting.h"
#include "settingsstore.h"

#include <QByteArray>
#include <QTemporaryDir>

namespace quillon::testing {

// A settings store of its own in a temporary folder, removed with the object.
class TempStore {
public:
    TempStore();

    SettingsStore& store() { return store_; }
    QString path() const { return store_.fileName(); }
    // The file's text as it is on disk, after pending writes.
    QByteArray fileText();
    // Replaces the file's text, as a user editing it by hand would.
    void writeFileText(const QByteArray& text);

private:
    QTemporaryDir folder_;
    SettingsStore store_;
};

}  // namespace quillon::testing
