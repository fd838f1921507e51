#include "ziptestfiles.h"

#include <QFile>
#include <QtEndian>

#include <zip.h>

#include <algorithm>
#include <memory>

namespace quillon::testing {

namespace {

using Archive = std::unique_ptr<zip_t, decltype(&zip_discard)>;

Archive openZip(const QString& path, int flags)
{
    int error = 0;
    return Archive(zip_open(QFile::encodeName(path).constData(), flags, &error), &zip_discard);
}

// libzip reads the entry's data only in zip_close, so `entry` must live until then.
bool addEntry(zip_t* archive, const TestEntry& entry)
{
    const QByteArray name = entry.name;
    if (name.endsWith('/'))
        return zip_dir_add(archive, name.constData(), ZIP_FL_ENC_UTF_8) >= 0;
    zip_source_t* source = zip_source_buffer(archive, entry.content.constData(),
                                             static_cast<zip_uint64_t>(entry.content.size()), 0);
    const zip_int64_t index = source ? zip_file_add(archive, name.constData(), source, ZIP_FL_ENC_UTF_8) : -1;
    if (index < 0) {
        zip_source_free(source);
        return false;
    }
    const auto at = static_cast<zip_uint64_t>(index);
    return zip_file_set_mtime(archive, at, entry.modified, 0) == 0
        && (!entry.stored || zip_set_file_compression(archive, at, ZIP_CM_STORE, 0) == 0);
}

void putLittleEndian(QByteArray& bytes, qsizetype at, quint64 value, int width)
{
    for (int byte = 0; byte < width; ++byte)
        bytes[at + byte] = static_cast<char>((value >> (8 * byte)) & 0xff);
}

quint64 readLittleEndian(const QByteArray& bytes, qsizetype at, int width)
{
    return qFromLittleEndian<quint64>(bytes.mid(at, width).leftJustified(8, '\0').constData());
}

// A size beyond 4 GiB goes in a ZIP64 extra field (id 1, 8 bytes) of the central directory,
// which the end record, behind the grown directory, must account for.
void declareZip64Size(QByteArray& archive, qsizetype central, quint64 size)
{
    QByteArray extra(12, '\0');
    putLittleEndian(extra, 0, 0x0001, 2);
    putLittleEndian(extra, 2, 8, 2);
    putLittleEndian(extra, 4, size, 8);
    putLittleEndian(archive, central + 24, 0xFFFFFFFF, 4);
    putLittleEndian(archive, central + 30, readLittleEndian(archive, central + 30, 2) + 12, 2);
    archive.insert(central + 46 + static_cast<qsizetype>(readLittleEndian(archive, central + 28, 2)), extra);
    const qsizetype end = archive.indexOf("PK\x05\x06");
    putLittleEndian(archive, end + 12, readLittleEndian(archive, end + 12, 4) + 12, 4);
}

}  // namespace

bool makeZip(const QString& path, const QList<TestEntry>& entries)
{
    Archive archive = openZip(path, ZIP_CREATE | ZIP_TRUNCATE);
    if (!archive || !std::all_of(entries.cbegin(), entries.cend(), [&](const TestEntry& e) { return addEntry(archive.get(), e); }))
        return false;
    return zip_close(archive.release()) == 0;
}

bool setDeclaredSize(const QString& zipPath, quint64 size)
{
    QFile file(zipPath);
    if (!file.open(QIODevice::ReadWrite))
        return false;
    QByteArray archive = file.readAll();
    const qsizetype local = archive.indexOf("PK\x03\x04");
    const qsizetype central = archive.indexOf("PK\x01\x02");
    if (local < 0 || central < 0 || archive.indexOf("PK\x05\x06") < central)
        return false;
    if (size > 0xFFFFFFFEu) {
        declareZip64Size(archive, central, size);
    } else {
        putLittleEndian(archive, local + 22, size, 4);
        putLittleEndian(archive, central + 24, size, 4);
    }
    return file.resize(0) && file.write(archive) == archive.size();
}

}  // namespace quillon::testing
