#include "ziptestfiles.h"

#include <QFile>
#include <QStringList>

#include <zip.h>

#include <vector>

namespace quillon::testing {

namespace {

// libzip reads the entry's data only in zip_close, so `entry` must live until then.
bool addEntry(zip_t* archive, const TestEntry& entry)
{
    const QByteArray name = entry.name.toUtf8();
    if (entry.name.endsWith('/'))
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

}  // namespace

bool makeZip(const QString& path, const QList<TestEntry>& entries)
{
    int error = 0;
    zip_t* archive = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!archive)
        return false;
    for (const TestEntry& entry : entries) {
        if (!addEntry(archive, entry)) {
            zip_discard(archive);
            return false;
        }
    }
    return zip_close(archive) == 0;
}

QByteArray entryContent(const QString& zipPath, const QString& name)
{
    int error = 0;
    zip_t* archive = zip_open(QFile::encodeName(zipPath).constData(), ZIP_RDONLY, &error);
    if (!archive)
        return "<missing>";
    QByteArray content = "<missing>";
    zip_stat_t stat;
    if (zip_stat(archive, name.toUtf8().constData(), 0, &stat) == 0) {
        zip_file_t* file = zip_fopen(archive, name.toUtf8().constData(), 0);
        std::vector<char> data(stat.size + 1);
        const zip_int64_t got = file ? zip_fread(file, data.data(), stat.size) : -1;
        if (got >= 0)
            content = QByteArray(data.data(), static_cast<qsizetype>(got));
        if (file)
            zip_fclose(file);
    }
    zip_discard(archive);
    return content;
}

QStringList entryNames(const QString& zipPath)
{
    int error = 0;
    zip_t* archive = zip_open(QFile::encodeName(zipPath).constData(), ZIP_RDONLY, &error);
    QStringList names;
    if (!archive)
        return names;
    const zip_int64_t count = zip_get_num_entries(archive, 0);
    for (zip_int64_t index = 0; index < count; ++index)
        names.append(QString::fromUtf8(zip_get_name(archive, static_cast<zip_uint64_t>(index), 0)));
    zip_discard(archive);
    return names;
}

bool setDeclaredSize(const QString& zipPath, quint32 size)
{
    QFile file(zipPath);
    if (!file.open(QIODevice::ReadWrite))
        return false;
    QByteArray archive = file.readAll();
    // Where the uncompressed size sits in a local file header and in a central directory header.
    const std::pair<QByteArray, qsizetype> fields[] = {{QByteArray("PK\x03\x04"), 22}, {QByteArray("PK\x01\x02"), 24}};
    for (const auto& [signature, offset] : fields) {
        const qsizetype header = archive.indexOf(signature);
        if (header < 0 || header + offset + 4 > archive.size())
            return false;
        for (int byte = 0; byte < 4; ++byte)
            archive[header + offset + byte] = static_cast<char>((size >> (8 * byte)) & 0xff);
    }
    return file.seek(0) && file.write(archive) == archive.size();
}

bool setDeclaredSize64(const QString& zipPath, quint64 size)
{
    QFile file(zipPath);
    if (!file.open(QIODevice::ReadWrite))
        return false;
    QByteArray archive = file.readAll();
    const qsizetype central = archive.indexOf("PK\x01\x02");
    const qsizetype end = archive.indexOf("PK\x05\x06");
    if (central < 0 || end < central)
        return false;
    const auto putLittleEndian = [](QByteArray& bytes, qsizetype at, quint64 value, int width) {
        for (int byte = 0; byte < width; ++byte)
            bytes[at + byte] = static_cast<char>((value >> (8 * byte)) & 0xff);
    };
    const auto readLittleEndian = [&archive](qsizetype at, int width) {
        quint64 value = 0;
        for (int byte = width - 1; byte >= 0; --byte)
            value = value << 8 | static_cast<quint8>(archive[at + byte]);
        return value;
    };
    QByteArray extra(12, '\0');
    putLittleEndian(extra, 0, 0x0001, 2);  // the ZIP64 extended information
    putLittleEndian(extra, 2, 8, 2);
    putLittleEndian(extra, 4, size, 8);
    const quint64 nameLength = readLittleEndian(central + 28, 2);
    const quint64 extraLength = readLittleEndian(central + 30, 2);
    putLittleEndian(archive, central + 24, 0xFFFFFFFF, 4);
    putLittleEndian(archive, central + 30, extraLength + 12, 2);
    archive.insert(central + 46 + static_cast<qsizetype>(nameLength), extra);
    // The end record sits behind the grown directory and states its size.
    const qsizetype movedEnd = end + extra.size();
    putLittleEndian(archive, movedEnd + 12, readLittleEndian(movedEnd + 12, 4) + 12, 4);
    return file.resize(0) && file.write(archive) == archive.size();
}

}  // namespace quillon::testing
