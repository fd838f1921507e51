#include "ziparchive.h"

#include "atomicfile.h"
#include "tempfileclaim.h"
#include "utilities.h"

#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>

#include "dat_entries.h"

#include <zip.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include <memory>
#include <vector>

namespace quillon {

namespace {

using namespace Qt::Literals::StringLiterals;

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

// libzip's words for an error code, e.g. "Not a zip archive".
QString libzipReason(int code)
{
    zip_error_t error;
    zip_error_init_with_code(&error, code);
    const QString reason = QString::fromLocal8Bit(zip_error_strerror(&error));
    zip_error_fini(&error);
    return reason;
}

Result<Archive> openArchive(const QString& zipFile, int flags)
{
    int error = 0;
    Archive archive(zip_open(QFile::encodeName(zipFile).constData(), flags, &error));
    if (!archive)
        return Result<Archive>::failure(zipFile + u": "_s + libzipReason(error));
    return archive;
}

Outcome archiveFailure(const QString& zipFile, zip_t* archive)
{
    return Outcome::failure(zipFile + u": "_s + QString::fromLocal8Bit(zip_strerror(archive)));
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
    entry.index = index;
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

Outcome cancelled()
{
    return Outcome::failure(QStringLiteral("The extraction was cancelled."));
}

// Copies the entry's data into `output`, never more than the `size` it declares.
Outcome copyEntry(zip_file_t* entry, quint64 size, QFile& output, const ExtractProgress& progress)
{
    std::vector<char> block(ReadBlockSize);
    quint64 written = 0;
    int reported = -1;
    for (;;) {
        const zip_int64_t got = zip_fread(entry, block.data(), block.size());
        if (got < 0)  // a read error or, at the end, a CRC that does not match
            return Outcome::failure(QString::fromLocal8Bit(zip_file_strerror(entry)));
        if (got == 0)
            return written == size ? Outcome::success()
                                   : Outcome::failure(QStringLiteral("The entry ends before its declared size."));
        written += static_cast<quint64>(got);
        if (written > size)
            return Outcome::failure(QStringLiteral("The entry holds more data than the %1 bytes it declares; "
                                                   "the archive is damaged.").arg(size));
        if (output.write(block.data(), got) != got)
            return Outcome::failure(output.fileName() + u": "_s + SystemReason(errno));
        if (progress && percentOf(written, size) != reported) {
            reported = percentOf(written, size);
            if (!progress(reported))
                return cancelled();
        }
    }
}

Outcome checkFreeSpace(const QString& destination, quint64 needed)
{
    const QStorageInfo disk(QFileInfo(destination).absolutePath());
    const qint64 available = disk.bytesAvailable();
    if (available < 0 || needed <= static_cast<quint64>(available))
        return Outcome::success();
    return Outcome::failure(QStringLiteral("The entry needs %1 bytes, but only %2 are free on the disk of %3.")
                                .arg(needed).arg(available).arg(destination));
}

Outcome noFileEntry(const QString& zipFile, const QString& entryName)
{
    return Outcome::failure(zipFile + u": there is no file entry named "_s + entryName + u'.');
}

// Writes the file entry at `index` into `destination`, replacing its content, and checks its CRC.
Outcome extractAt(zip_t* archive, const QString& zipFile, zip_uint64_t index, const QString& destination,
                  const ExtractProgress& progress)
{
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat_index(archive, index, 0, &stat) != 0 || !(stat.valid & ZIP_STAT_SIZE))
        return archiveFailure(zipFile, archive);
    if (Outcome roomy = checkFreeSpace(destination, stat.size); !roomy)
        return roomy;
    const EntryFile entry(zip_fopen_index(archive, index, 0));
    if (!entry)
        return archiveFailure(zipFile, archive);
    QFile output(destination);
    if (!output.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        return Outcome::failure(destination + u": "_s + output.errorString());
    if (progress && !progress(0))
        return cancelled();
    if (Outcome copied = copyEntry(entry.get(), stat.size, output, progress); !copied)
        return copied;
    if (stat.size == 0 && progress && !progress(100))  // an empty entry reads nothing, yet it is complete
        return cancelled();
    output.close();
    if (output.error() != QFileDevice::NoError)
        return Outcome::failure(destination + u": "_s + output.errorString());
    return Outcome::success();
}

// The archive AddToZip rewrites: a new file beside the real one that starts as a hard link to it,
// so that libzip reads the old entries from it and writes the new archive in its place while
// the real archive stays untouched until FlushAndRename.
class StagedArchive {
public:
    explicit StagedArchive(const QString& zipFile) : finalPath_(ResolveLinks(zipFile)), path_(NameBeside(finalPath_))
    {
        NotePendingFile(path_);
    }
    ~StagedArchive()
    {
        if (path_.isEmpty())
            return;
        DeleteFileQuiet(path_);
        ForgetPendingFile(path_);
    }
    StagedArchive(const StagedArchive&) = delete;
    StagedArchive& operator=(const StagedArchive&) = delete;

    const QString& path() const { return path_; }

    // A file system without hard links gets a copy instead.
    Outcome prepare()
    {
        if (!QFileInfo::exists(finalPath_))
            return Outcome::success();
        if (::link(QFile::encodeName(finalPath_).constData(), QFile::encodeName(path_).constData()) == 0)
            return Outcome::success();
        return CopyFileReplacing(finalPath_, path_);
    }

    Outcome commit()
    {
        const Outcome renamed = FlushAndRename(path_, finalPath_);
        ForgetPendingFile(path_);
        path_.clear();
        return renamed;
    }

private:
    QString finalPath_;
    QString path_;
};

// An entry of exactly that name is replaced under its own name, whatever it looks like.
QString storedNameIn(zip_t* archive, const QString& sTarget)
{
    if (zip_name_locate(archive, sTarget.toUtf8().constData(), 0) >= 0)
        return sTarget;
    return StoredZipName(sTarget);
}

Outcome addFile(zip_t* archive, const QString& zipFile, const QString& sItem, const QString& storedName)
{
    zip_source_t* source = zip_source_file(archive, QFile::encodeName(sItem).constData(), 0, -1);
    if (!source)
        return archiveFailure(zipFile, archive);
    const zip_int64_t index = zip_file_add(archive, storedName.toUtf8().constData(), source,
                                           ZIP_FL_OVERWRITE | ZIP_FL_ENC_UTF_8);
    if (index < 0) {
        zip_source_free(source);
        return archiveFailure(zipFile, archive);
    }
    if (zip_set_file_compression(archive, static_cast<zip_uint64_t>(index), ZIP_CM_DEFLATE, CompressionLevel) != 0)
        return archiveFailure(zipFile, archive);
    return Outcome::success();
}

}  // namespace

QList<ZipEntry> DatEntryCandidates(const QList<ZipEntry>& entries)
{
    QList<ZipEntry> files;
    std::vector<QByteArray> names;
    for (const ZipEntry& entry : entries) {
        if (!entry.isFolder) {
            files.append(entry);
            names.push_back(entry.name.toUtf8());
        }
    }
    std::vector<std::string_view> views;
    for (const QByteArray& name : names)
        views.emplace_back(name.constData(), static_cast<std::size_t>(name.size()));
    QList<ZipEntry> candidates;
    for (const std::size_t position : setdelta::datEntryCandidates(views))
        candidates.append(files.at(static_cast<qsizetype>(position)));
    return candidates;
}

std::optional<ZipEntry> LoneDatEntry(const QList<ZipEntry>& entries)
{
    const QList<ZipEntry> candidates = DatEntryCandidates(entries);
    return candidates.size() == 1 ? std::optional<ZipEntry>(candidates.first()) : std::nullopt;
}

Result<QList<ZipEntry>> ListZip(const QString& zipFile)
{
    const Result<Archive> archive = openArchive(zipFile, ZIP_RDONLY);
    if (!archive)
        return Result<QList<ZipEntry>>::failure(archive.reason());
    std::optional<QList<ZipEntry>> entries = listEntries(archive->get());
    if (!entries)
        return Result<QList<ZipEntry>>::failure(zipFile + u": "_s + QString::fromUtf8(zip_strerror(archive->get())));
    return std::move(*entries);
}

Outcome ExtractZipEntry(const QString& zipFile, const QString& entryName, const QString& destination,
                        const ExtractProgress& progress)
{
    const Result<Archive> archive = openArchive(zipFile, ZIP_RDONLY);
    if (!archive)
        return archive.outcome();
    const std::optional<zip_uint64_t> index = findFileEntry(archive->get(), entryName);
    if (!index)
        return noFileEntry(zipFile, entryName);
    return extractAt(archive->get(), zipFile, *index, destination, progress);
}

Outcome ExtractListedEntry(const QString& zipFile, const ZipEntry& entry, const QString& destination,
                           const ExtractProgress& progress)
{
    const Result<Archive> archive = openArchive(zipFile, ZIP_RDONLY);
    if (!archive)
        return archive.outcome();
    const std::optional<ZipEntry> found = readEntry(archive->get(), entry.index);
    if (!found || found->name != entry.name)
        return Outcome::failure(zipFile + u": the archive has changed since it was listed."_s);
    if (found->isFolder)
        return noFileEntry(zipFile, entry.name);
    return extractAt(archive->get(), zipFile, entry.index, destination, progress);
}

QString StoredZipName(const QString& sTarget)
{
    if (!sTarget.startsWith(u'/'))
        return sTarget;
    return GetFileTitle(sTarget, false) + u'.' + GetExtension(sTarget);
}

Outcome AddToZip(const QString& sZipFile, const QString& sItem, const QString& sTarget, bool bDeleteZipped)
{
    if (!FileExists(sItem))
        return Outcome::failure(sItem + u": "_s + SystemReason(ENOENT));
    StagedArchive staged(sZipFile);
    if (Outcome prepared = staged.prepare(); !prepared)
        return prepared;
    Result<Archive> opened = openArchive(staged.path(), ZIP_CREATE);
    if (!opened)
        return Outcome::failure(QString(opened.reason()).replace(staged.path(), sZipFile));
    Archive& archive = *opened;
    const QString storedName = storedNameIn(archive.get(), sTarget);
    if (storedName.isEmpty())
        return Outcome::failure(QStringLiteral("No name to store %1 under.").arg(sItem));
    if (Outcome added = addFile(archive.get(), sZipFile, sItem, storedName); !added)
        return added;
    // zip_close writes the whole new archive and renames it over the staged file.
    if (zip_close(archive.get()) != 0)
        return archiveFailure(sZipFile, archive.get());
    archive.release();
    if (Outcome committed = staged.commit(); !committed)
        return committed;
    if (bDeleteZipped)
        DeleteFileQuiet(sItem);
    return Outcome::success();
}

}  // namespace quillon
