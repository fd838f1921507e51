#include "ziptestfiles.h"

#include <QFile>
#include <QtEndian>

#include <zip.h>

#include <algorithm>
#include <memory>

namespace quillon::testing {

namespace {

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

// A size beyond 4 GiB goes in a ZIP64 extra field (id 1, 8 bytes) of the central directory,
// which the end record, behind the grown directory, must account for.
void declareZip64Size(QByteArray& archive, qsizetype central, quint64 size)
{
    char extra[12];
    qToLittleEndian<quint16>(0x0001, extra);
    qToLittleEndian<quint16>(8, extra + 2);
    qToLittleEndian<quint64>(size, extra + 4);
    char* header = archive.data() + central;
    qToLittleEndian<quint32>(0xFFFFFFFF, header + 24);
    qToLittleEndian<quint16>(qFromLittleEndian<quint16>(header + 30) + 12, header + 30);
    archive.insert(central + 46 + qFromLittleEndian<quint16>(header + 28), extra, sizeof extra);
    char* end = archive.data() + archive.indexOf("PK\x05\x06");
    qToLittleEndian<quint32>(qFromLittleEndian<quint32>(end + 12) + 12, end + 12);
}

}  // namespace

bool makeZip(const QString& path, const QList<TestEntry>& entries)
{
    int error = 0;
    std::unique_ptr<zip_t, decltype(&zip_discard)> archive(
        zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error), &zip_discard);
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
        qToLittleEndian(static_cast<quint32>(size), archive.data() + local + 22);
        qToLittleEndian(static_cast<quint32>(size), archive.data() + central + 24);
    }
    return file.resize(0) && file.write(archive) == archive.size();
}

}  // namespace quillon::testing
