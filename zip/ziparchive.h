#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

// Zip archives holding DATs: listing, taking one entry out into a given file, and storing a file.
// Entry names are archive names, never paths on disk: nothing is ever written under an entry's
// name, so an entry called ../../x cannot reach outside the file it is extracted to.
namespace quillon {

struct ZipEntry {
    QString name;  // the full name inside the archive, folders included
    quint64 compressedSize = 0;
    quint32 crc = 0;
    QDateTime modified;
    bool isFolder = false;
};

// The entries in archive order, or nothing when the file cannot be read as a zip archive.
std::optional<QList<ZipEntry>> ListZip(const QString& zipFile);

// Percentage (0 to 100) of the entry written so far.
using ExtractProgress = std::function<void(int percent)>;

// Writes the first file entry named `entryName` into `destination` (replacing its content) and
// checks its CRC. False when the archive cannot be read, there is no such file entry, or the
// entry is damaged; `destination` may then hold part of the entry.
bool ExtractZipEntry(const QString& zipFile, const QString& entryName, const QString& destination,
                     const ExtractProgress& progress = {});

// The name a file is stored under for `sTarget`. A path on disk (beginning with "/") gives its
// file name: the title, a dot and the extension, so "/dats/new" gives "new.". Anything else is
// an entry name as it came out of an archive ("sub/game.dat") and is kept whole, so the entry
// it came from is replaced.
QString StoredZipName(const QString& sTarget);

// Stores the file `sItem` in the archive `sZipFile` (created when missing) under
// StoredZipName(sTarget), replacing an entry of that name. The archive is written to a
// temporary file beside it and renamed over it only when complete, so a failure leaves the old
// archive as it was. With `bDeleteZipped`, `sItem` is deleted once the archive is written.
// True when the archive was written.
bool AddToZip(const QString& sZipFile, const QString& sItem, const QString& sTarget,
              bool bDeleteZipped = false);

}  // namespace quillon
