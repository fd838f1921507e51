#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <ctime>

namespace quillon::testing {

// One entry of an archive made for a test; a name ending in "/" is a folder.
struct TestEntry {
    QString name;
    QByteArray content;
    bool stored = false;  // no compression
    std::time_t modified = 946684800;  // 2000-01-01 00:00 UTC
};

// Writes a real zip archive with the entries in this order; false when libzip fails.
bool makeZip(const QString& path, const QList<TestEntry>& entries);
// The entry's content as libzip reads it, or "<missing>".
QByteArray entryContent(const QString& zipPath, const QString& name);
// The names of the archive's entries in order.
QStringList entryNames(const QString& zipPath);
// Makes the archive's only entry declare `size` bytes, in its local and central headers, as a
// damaged or hostile archive may; false when the archive has no such headers.
bool setDeclaredSize(const QString& zipPath, quint32 size);
// The same for a size beyond 4 GiB, which only the ZIP64 extra field of the central directory
// can hold.
bool setDeclaredSize64(const QString& zipPath, quint64 size);

}  // namespace quillon::testing
