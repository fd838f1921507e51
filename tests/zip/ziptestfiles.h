#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <ctime>

namespace quillon::testing {

// One entry of an archive made for a test; a name ending in "/" is a folder.
struct TestEntry {
    const char* name;
    QByteArray content;
    bool stored = false;  // no compression
    std::time_t modified = 946684800;  // 2000-01-01 00:00 UTC
};

// Writes a real zip archive with the entries in this order; false when libzip fails.
bool makeZip(const QString& path, const QList<TestEntry>& entries);
// Makes the archive's only entry declare `size` bytes, as a damaged or hostile archive may: in
// its local and central headers, or beyond 4 GiB in the ZIP64 field of the central directory.
bool setDeclaredSize(const QString& zipPath, quint64 size);

}  // namespace quillon::testing
