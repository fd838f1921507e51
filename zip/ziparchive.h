#pragma once

#include "outcome.h"

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
    quint64 index = 0;  // the entry's place in the archive; names may repeat, places do not
    quint64 compressedSize = 0;
    quint32 crc = 0;
    QDateTime modified;
    bool isFolder = false;
};

// The entries in archive order, or why the file cannot be read as a zip archive.
Result<QList<ZipEntry>> ListZip(const QString& zipFile);

// The entries that may be the DAT of an archive, by the rule setdelta follows when it reads one:
// the files named ".dat" or ".xml", or every file where none is. Folders never are.
QList<ZipEntry> DatEntryCandidates(const QList<ZipEntry>& entries);
// The entry taken without asking: the only candidate; nothing when there is none or several.
std::optional<ZipEntry> LoneDatEntry(const QList<ZipEntry>& entries);

// Told the percentage (0 to 100) of the entry written so far; returning false cancels.
using ExtractProgress = std::function<bool(int percent)>;

// Writes the first file entry named `entryName` into `destination` (replacing its content) and
// checks its CRC. The entry's declared size is trusted no further than it proves true: it must
// fit in the free space of the destination's disk before anything is written, and data beyond
// it stops the extraction as a damaged archive. A failure (an unreadable archive, no such file
// entry, a damaged entry, a failed write, a cancel) says why; `destination` may then hold part
// of the entry.
Outcome ExtractZipEntry(const QString& zipFile, const QString& entryName, const QString& destination,
                        const ExtractProgress& progress = {});

// The same for the entry ListZip gave as `entry`, found by its index without reading the
// archive's list again, so that of two entries of the same name the one listed is the one
// taken. An archive changed since it was listed, whose entry at that index no longer bears the
// listed name, is not extracted.
Outcome ExtractListedEntry(const QString& zipFile, const ZipEntry& entry, const QString& destination,
                           const ExtractProgress& progress = {});

// The name a file is stored under for `sTarget`. A path on disk (beginning with "/") gives its
// file name: the title, a dot and the extension, so "/dats/new" gives "new.". Anything else is
// an entry name as it came out of an archive ("sub/game.dat") and is kept whole, so the entry
// it came from is replaced.
QString StoredZipName(const QString& sTarget);

// Stores the file `sItem` in the archive `sZipFile` (created when missing), replacing an entry
// of the same name. The name is `sTarget` itself when the archive has an entry of exactly that
// name (an entry name that begins with "/" is an entry name, not a path), else
// StoredZipName(sTarget). The archive is written to a new file beside it, flushed to disk and
// renamed over it only when complete, so a failure leaves the old archive as it was; an archive
// reached through a symbolic link is updated where the link points and the link stays. With
// `bDeleteZipped`, `sItem` is deleted once the archive is written. A failure says why.
Outcome AddToZip(const QString& sZipFile, const QString& sItem, const QString& sTarget,
              bool bDeleteZipped = false);

}  // namespace quillon
