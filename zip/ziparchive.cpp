#include "ziparchive.h"

#include "utilities.h"

#include <QFile>

#include <zip.h>

#include <sys/stat.h>

#include <memory>
#include <vector>

namespace quillon {

namespace {

constexpr quint32 DosDirectoryAttribute = 0x10;
// Deflate at the level most zip programs use by default; libzip's own default is the slowest.
constexpr zip_uint32_t CompressionLevel = 6;
constexpr size_t ReadBlockSize = 1 << 20;

struct ArchiveCloser {
    void operator()(zip_t* archive) const { zip_discard(archive); }
};
using Archive = std::unique_ptr<zip_t, ArchiveCloser>;

struct EntryCloser {
    void operator()(zip_file_t* entry) const { zip_fclose(entry); }
};
using EntryFile = std::unique_ptr<zip_file_t, EntryCloser>;

Archive openArchive(const QString& zipFile, int flags)
{
    int error = 0;
    return Archive(zip_open(QFile::encodeName(zipFile).constData(), flags, &error));
}

// The directory attribute of the DOS attribute bits; archives made on Linux may carry only the
// mode bits, and a name ending in "/" is a folder whatever its attributes say.
bool isFolder(zip_t* archive, zip_uint64_t index, const QString& name)
{
    zip_uint8_t system = 0;
    zip_uint32_t attributes = 0;
    if (zip_file_get_external_attributes(archive, index, 0, &system, &attributes) == 0) {
        if (attributes & DosDirectoryAttribute)
            return true;
        if (system == ZIP_OPSYS_UNIX && S_ISDIR(attributes >> 16))
            return true;
    }
    return name.endsWith(u'/');
}

std::optional<ZipEntry> readEntry(zip_t* archive, zip_uint64_t index)
{
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat_index(archive, index, ZIP_FL_ENC_GUESS, &stat) != 0 || !(stat.valid & ZIP_STAT_NAME))
        return std::nullopt;
    ZipEntry entry;
    entry.name = QString::fromUtf8(stat.name);
    entry.compressedSize = stat.valid & ZIP_STAT_COMP_SIZE ? stat.comp_size : 0;
    entry.crc = stat.valid & ZIP_STAT_CRC ? stat.crc : 0;
    if (stat.valid & ZIP_STAT_MTIME)
        entry.modified = QDateTime::fromSecsSinceEpoch(stat.mtime);
    entry.isFolder = isFolder(archive, index, entry.name);
    return entry;
}

std::optional<QList<ZipEntry>> listEntries(zip_t* archive)
{
    const zip_int64_t count = zip_get_num_entries(archive, 0);
    QList<ZipEntry> entries;
    for (zip_int64_t index = 0; index < count; ++index) {
        std::optional<ZipEntry> entry = readEntry(archive, static_cast<zip_uint64_t>(index));
        if (!entry)
            return std::nullopt;
        entries.append(*entry);
    }
    return entries;
}

std::optional<zip_uint64_t> findFileEntry(zip_t* archive, const QString& entryName)
{
    const std::optional<QList<ZipEntry>> entries = listEntries(archive);
    if (!entries)
        return std::nullopt;
    for (qsizetype index = 0; index < entries->size(); ++index)
        if (!entries->at(index).isFolder && entries->at(index).name == entryName)
            return static_cast<zip_uint64_t>(index);
    return std::nullopt;
}

int percentOf(quint64 done, quint64 total)
{
    return total == 0 ? 100 : static_cast<int>(done * 100 / total);
}

bool copyEntry(zip_file_t* entry, quint64 size, QFile& output, const ExtractProgress& progress)
{
    std::vector<char> block(ReadBlockSize);
    quint64 written = 0;
    int reported = -1;
    for (;;) {
        const zip_int64_t got = zip_fread(entry, block.data(), block.size());
        if (got < 0)
            return false;  // a read error or, at the end, a CRC that does not match
        if (got == 0) {
            if (progress && reported != 100)
                progress(100);  // an empty entry reads nothing, yet it is complete
            return true;
        }
        if (output.write(block.data(), got) != got)
            return false;
        written += static_cast<quint64>(got);
        if (progress && percentOf(written, size) != reported) {
            reported = percentOf(written, size);
            progress(reported);
        }
    }
}

}  // namespace

std::optional<QList<ZipEntry>> ListZip(const QString& zipFile)
{
    const Archive archive = openArchive(zipFile, ZIP_RDONLY);
    if (!archive)
        return std::nullopt;
    return listEntries(archive.get());
}

bool ExtractZipEntry(const QString& zipFile, const QString& entryName, const QString& destination,
                     const ExtractProgress& progress)
{
    const Archive archive = openArchive(zipFile, ZIP_RDONLY);
    if (!archive)
        return false;
    const std::optional<zip_uint64_t> index = findFileEntry(archive.get(), entryName);
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (!index || zip_stat_index(archive.get(), *index, 0, &stat) != 0)
        return false;
    const EntryFile entry(zip_fopen_index(archive.get(), *index, 0));
    QFile output(destination);
    if (!entry || !output.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        return false;
    if (progress)
        progress(0);
    const quint64 size = stat.valid & ZIP_STAT_SIZE ? stat.size : 0;
    if (!copyEntry(entry.get(), size, output, progress))
        return false;
    output.close();
    return output.error() == QFileDevice::NoError;
}

QString StoredZipName(const QString& sTarget)
{
    if (!sTarget.startsWith(u'/'))
        return sTarget;
    return GetFileTitle(sTarget, false) + u'.' + GetExtension(sTarget);
}

bool AddToZip(const QString& sZipFile, const QString& sItem, const QString& sTarget, bool bDeleteZipped)
{
    const QString storedName = StoredZipName(sTarget);
    if (storedName.isEmpty() || !FileExists(sItem))
        return false;
    Archive archive = openArchive(sZipFile, ZIP_CREATE);
    if (!archive)
        return false;
    zip_source_t* source = zip_source_file(archive.get(), QFile::encodeName(sItem).constData(), 0, -1);
    if (!source)
        return false;
    const zip_int64_t index = zip_file_add(archive.get(), storedName.toUtf8().constData(), source,
                                           ZIP_FL_OVERWRITE | ZIP_FL_ENC_UTF_8);
    if (index < 0) {
        zip_source_free(source);
        return false;
    }
    if (zip_set_file_compression(archive.get(), static_cast<zip_uint64_t>(index), ZIP_CM_DEFLATE,
                                 CompressionLevel) != 0)
        return false;
    // zip_close writes the whole archive to a temporary file and renames it over the old one.
    if (zip_close(archive.get()) != 0)
        return false;
    archive.release();
    if (bDeleteZipped)
        DeleteFileQuiet(sItem);
    return true;
}

}  // namespace quillon
