#pragma once

#include "settingsstore.h"
#include "testfiles.h"

#include <QTemporaryDir>

namespace quillon::testing {

// A settings store of its own in a temporary folder, removed with the object.
class TempStore {
public:
    SettingsStore& store() { return store_; }
    QString path() const { return store_.fileName(); }
    // The file's text as it is on disk, after pending writes.
    QByteArray fileText()
    {
        store_.sync();
        return readAll(path());
    }
    // Replaces the file's text, as a user editing it by hand would.
    void writeFileText(const QByteArray& text)
    {
        writeFile(path(), text);
        store_.sync();
    }

private:
    QTemporaryDir folder_;
    SettingsStore store_{folder_.filePath(QStringLiteral("Quillon.ini"))};
};

}  // namespace quillon::testing
