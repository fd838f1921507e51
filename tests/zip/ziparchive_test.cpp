#include "testfiles.h"
#include "ziparchive.h"
#include "ziptestfiles.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

namespace quillon {
namespace {

using namespace Qt::Literals::StringLiterals;
using testing::entryContent;
using testing::makeZip;
using testing::readAll;
using testing::writeFile;

class ZipArchives : public ::testing::Test {
protected:
    QString path(const QString& name) const { return folder_.filePath(name); }
    QStringList names(const QString& zip) const
    {
        QStringList listed;
        for (const ZipEntry& entry : ListZip(path(zip)).value_or(QList<ZipEntry>{}))
            listed.append(entry.name);
        return listed;
    }
    Outcome extract(const QString& zip, const QString& entry) const { return ExtractZipEntry(path(zip), entry, path(u"out.tmp"_s)); }

private:
    QTemporaryDir folder_;
};

QByteArray sample(int size)
{
    QByteArray data;
    for (int index = 0; data.size() < size; ++index)
        data += "game ( name g" + QByteArray::number(index) + " )\r\n";
    return data.left(size);
}

TEST_F(ZipArchives, ListsEntriesInArchiveOrderWithTheirRecords)
{
    ASSERT_TRUE(makeZip(path(u"a.zip"_s), {{u"b.dat"_s, sample(5000)}, {u"sub/"_s, {}}, {u"sub/a.xml"_s, "<x/>", true}}));
    const std::optional<QList<ZipEntry>> entries = ListZip(path(u"a.zip"_s));
    ASSERT_TRUE(entries);
    ASSERT_EQ(entries->size(), 3);
    EXPECT_EQ(names(u"a.zip"_s), (QStringList{u"b.dat"_s, u"sub/"_s, u"sub/a.xml"_s}));
    EXPECT_GT(entries->at(0).compressedSize, 0u);
    EXPECT_LT(entries->at(0).compressedSize, 5000u);
    EXPECT_EQ(entries->at(0).modified.toSecsSinceEpoch(), 946684800);
    EXPECT_TRUE(entries->at(1).isFolder);
    EXPECT_FALSE(entries->at(2).isFolder);
    EXPECT_EQ(entries->at(2).index, 2u);
    EXPECT_EQ(entries->at(2).crc, 0x1226842bu) << "CRC-32 of <x/>";

    writeFile(path(u"text.zip"_s), "not a zip at all");
    EXPECT_FALSE(ListZip(path(u"text.zip"_s)));
    EXPECT_FALSE(ListZip(path(u"missing.zip"_s)));
    const QByteArray whole = readAll(path(u"a.zip"_s));
    writeFile(path(u"cut.zip"_s), whole.left(whole.size() / 2));
    EXPECT_FALSE(ListZip(path(u"cut.zip"_s))) << "the central directory is gone";
}

TEST_F(ZipArchives, ExtractsTheNamedEntryWithProgressUpToAHundred)
{
    const QByteArray big = sample(3 * 1024 * 1024 + 5);
    ASSERT_TRUE(makeZip(path(u"a.zip"_s), {{u"first.dat"_s, "first"}, {u"sub/game.dat"_s, big}, {u"empty.dat"_s, {}}}));
    for (const auto& [entry, content] : {std::pair{u"sub/game.dat"_s, big}, std::pair{u"empty.dat"_s, QByteArray()}}) {
        writeFile(path(u"out.tmp"_s), "old content, longer than nothing");
        QList<int> percents;
        ASSERT_TRUE(ExtractZipEntry(path(u"a.zip"_s), entry, path(u"out.tmp"_s),
                                    [&](int percent) { percents.append(percent); return true; }));
        EXPECT_EQ(readAll(path(u"out.tmp"_s)), content);
        EXPECT_EQ(percents.front(), 0);
        EXPECT_EQ(percents.back(), 100) << "an empty entry is complete too";
        EXPECT_TRUE(std::is_sorted(percents.cbegin(), percents.cend()));
    }
}

TEST_F(ZipArchives, OnlyAnExistingIntactFileEntryIsExtracted)
{
    ASSERT_TRUE(makeZip(path(u"a.zip"_s), {{u"sub/"_s, {}}, {u"game.dat"_s, sample(100000)}}));
    EXPECT_FALSE(extract(u"a.zip"_s, u"sub/"_s));
    EXPECT_FALSE(extract(u"a.zip"_s, u"GAME.DAT"_s)) << "names match exactly";
    EXPECT_FALSE(extract(u"missing.zip"_s, u"game.dat"_s));

    // Damage the compressed data but not the directory: the CRC check catches it.
    QByteArray archive = readAll(path(u"a.zip"_s));
    const qsizetype data = archive.indexOf("game.dat") + 8;
    for (qsizetype index = data + 100; index < data + 400; ++index)
        archive[index] = static_cast<char>(archive[index] ^ 0x55);
    writeFile(path(u"damaged.zip"_s), archive);
    ASSERT_TRUE(ListZip(path(u"damaged.zip"_s)));
    EXPECT_FALSE(extract(u"damaged.zip"_s, u"game.dat"_s));
}

TEST_F(ZipArchives, EntryNamesNeverBecomePathsOnDisk)
{
    QDir(path(u""_s)).mkpath(u"deep/er"_s);
    ASSERT_TRUE(makeZip(path(u"deep/er/evil.zip"_s), {{u"../../x"_s, "payload"}, {u"/tmp/abs.dat"_s, "abs"}}));
    ASSERT_TRUE(extract(u"deep/er/evil.zip"_s, u"../../x"_s));
    EXPECT_EQ(readAll(path(u"out.tmp"_s)), "payload");
    EXPECT_EQ(QDir(path(u""_s)).entryList(QDir::Files), QStringList{u"out.tmp"_s});
}

// Two entries may bear one name; the one the user picked from the list is the one taken, and an
// archive rewritten since it was listed is not taken from at all.
TEST_F(ZipArchives, AListedEntryIsExtractedByItsIndex)
{
    ASSERT_TRUE(makeZip(path(u"twice.zip"_s), {{u"game.dat"_s, "first", true}, {u"gXme.dat"_s, "other", true}}));
    writeFile(path(u"twice.zip"_s), readAll(path(u"twice.zip"_s)).replace("gXme.dat", "game.dat"));
    const std::optional<QList<ZipEntry>> entries = ListZip(path(u"twice.zip"_s));
    ASSERT_TRUE(entries && entries->size() == 2 && entries->at(1).name == u"game.dat"_s);
    ASSERT_TRUE(ExtractListedEntry(path(u"twice.zip"_s), entries->at(1), path(u"out.tmp"_s)));
    EXPECT_EQ(readAll(path(u"out.tmp"_s)), "other");

    ASSERT_TRUE(makeZip(path(u"twice.zip"_s), {{u"game.dat"_s, "first"}, {u"new.dat"_s, "new"}}));
    const Outcome changed = ExtractListedEntry(path(u"twice.zip"_s), entries->at(1), path(u"out.tmp"_s));
    EXPECT_EQ(changed.reason(), path(u"twice.zip"_s) + u": the archive has changed since it was listed."_s);
}

TEST_F(ZipArchives, AddingCreatesTheArchiveAndThenDeletesTheFile)
{
    writeFile(path(u"new.dat"_s), sample(70000));
    ASSERT_TRUE(AddToZip(path(u"new.zip"_s), path(u"new.dat"_s), path(u"new.dat"_s), true));
    EXPECT_EQ(names(u"new.zip"_s), QStringList{u"new.dat"_s});
    EXPECT_EQ(entryContent(path(u"new.zip"_s), u"new.dat"_s), sample(70000));
    EXPECT_EQ(QDir(path(u""_s)).entryList(QDir::Files | QDir::Hidden), QStringList{u"new.zip"_s});
}

// An entry name beginning with "/" is an entry, not a path whose file name would be stored.
TEST_F(ZipArchives, AddingReplacesTheEntryOfTheSameNameAndKeepsTheOthers)
{
    ASSERT_TRUE(makeZip(path(u"a.zip"_s), {{u"readme.txt"_s, "hello"}, {u"sub/game.dat"_s, "old"}, {u"/abs.dat"_s, "old"}}));
    writeFile(path(u"dat123.tmp"_s), "new body");
    ASSERT_TRUE(AddToZip(path(u"a.zip"_s), path(u"dat123.tmp"_s), u"sub/game.dat"_s));
    ASSERT_TRUE(AddToZip(path(u"a.zip"_s), path(u"dat123.tmp"_s), u"/abs.dat"_s));
    EXPECT_EQ(names(u"a.zip"_s), (QStringList{u"readme.txt"_s, u"sub/game.dat"_s, u"/abs.dat"_s}));
    EXPECT_EQ(entryContent(path(u"a.zip"_s), u"sub/game.dat"_s), "new body");
    EXPECT_EQ(entryContent(path(u"a.zip"_s), u"/abs.dat"_s), "new body");
    EXPECT_EQ(entryContent(path(u"a.zip"_s), u"readme.txt"_s), "hello");
    EXPECT_TRUE(QFile::exists(path(u"dat123.tmp"_s))) << "kept without bDeleteZipped";
}

TEST_F(ZipArchives, AFailedAddLeavesArchiveAndFileAlone)
{
    writeFile(path(u"new.dat"_s), "body");
    writeFile(path(u"text.zip"_s), "not a zip at all");
    EXPECT_FALSE(AddToZip(path(u"text.zip"_s), path(u"new.dat"_s), path(u"new.dat"_s), true));
    EXPECT_EQ(readAll(path(u"text.zip"_s)), "not a zip at all");
    EXPECT_FALSE(AddToZip(path(u"new.zip"_s), path(u"missing.dat"_s), path(u"missing.dat"_s), true));
    EXPECT_FALSE(AddToZip(path(u"no/folder/new.zip"_s), path(u"new.dat"_s), path(u"new.dat"_s), true));
    EXPECT_EQ(QDir(path(u""_s)).entryList(QDir::Files | QDir::Hidden), (QStringList{u"new.dat"_s, u"text.zip"_s}));
}

TEST_F(ZipArchives, AFailedWriteKeepsTheOldArchiveWhole)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root writes into read-only folders";
    QDir(path(u""_s)).mkpath(u"ro"_s);
    ASSERT_TRUE(makeZip(path(u"ro/a.zip"_s), {{u"game.dat"_s, "old"}}));
    const QByteArray before = readAll(path(u"ro/a.zip"_s));
    writeFile(path(u"new.dat"_s), "new");
    QFile::setPermissions(path(u"ro"_s), QFile::ReadOwner | QFile::ExeOwner);
    const bool added = AddToZip(path(u"ro/a.zip"_s), path(u"new.dat"_s), u"game.dat"_s, true).ok();
    QFile::setPermissions(path(u"ro"_s), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_FALSE(added);
    EXPECT_EQ(readAll(path(u"ro/a.zip"_s)), before);
    EXPECT_TRUE(QFile::exists(path(u"new.dat"_s)));
}

TEST_F(ZipArchives, AnArchiveReachedThroughALinkIsUpdatedWhereItLies)
{
    QDir(path(u""_s)).mkpath(u"store"_s);
    ASSERT_TRUE(makeZip(path(u"store/a.zip"_s), {{u"game.dat"_s, "old"}}));
    ASSERT_TRUE(QFile::link(path(u"store/a.zip"_s), path(u"a.zip"_s)));
    writeFile(path(u"new.dat"_s), "new");
    ASSERT_TRUE(AddToZip(path(u"a.zip"_s), path(u"new.dat"_s), u"game.dat"_s));
    EXPECT_TRUE(QFileInfo(path(u"a.zip"_s)).isSymLink());
    EXPECT_EQ(entryContent(path(u"store/a.zip"_s), u"game.dat"_s), "new");
    EXPECT_EQ(QDir(path(u"store"_s)).entryList(QDir::Files | QDir::Hidden), QStringList{u"a.zip"_s});
}

// A declared size is trusted no further than it proves true, stored or deflated, and a size no
// disk could hold (1 PiB in a ZIP64 field) is refused before anything is written.
TEST_F(ZipArchives, DeclaredSizesAreCheckedAgainstTheDataAndTheDisk)
{
    for (const bool stored : {true, false}) {
        ASSERT_TRUE(makeZip(path(u"liar.zip"_s), {{u"game.dat"_s, sample(200000), stored}}));
        ASSERT_TRUE(testing::setDeclaredSize(path(u"liar.zip"_s), 100));
        EXPECT_EQ(extract(u"liar.zip"_s, u"game.dat"_s).reason(),
                  u"The entry holds more data than the 100 bytes it declares; the archive is damaged."_s);
        EXPECT_LE(QFileInfo(path(u"out.tmp"_s)).size(), 100) << "nothing beyond the declared size is written";
    }
    constexpr quint64 onePebibyte = quint64(1) << 50;
    ASSERT_TRUE(testing::setDeclaredSize(path(u"liar.zip"_s), onePebibyte));
    QFile::remove(path(u"out.tmp"_s));
    const Outcome extracted = extract(u"liar.zip"_s, u"game.dat"_s);
    EXPECT_TRUE(extracted.reason().startsWith(u"The entry needs %1 bytes, but only "_s.arg(onePebibyte))) << extracted.reason().toStdString();
    EXPECT_FALSE(QFile::exists(path(u"out.tmp"_s)));
}

TEST(RealZips, ListAndExtractTheSharedDats)
{
    const QString zip = QStringLiteral(SHARED_DATS_DIR "/mame_0.37b5_listinfo.zip");
    if (!QFile::exists(zip))
        GTEST_SKIP() << SHARED_DATS_DIR " is missing";
    const std::optional<QList<ZipEntry>> entries = ListZip(zip);
    ASSERT_TRUE(entries && entries->size() == 2);
    QTemporaryDir folder;
    ASSERT_TRUE(ExtractListedEntry(zip, entries->at(0), folder.filePath(u"out.tmp"_s)));
    EXPECT_GT(QFileInfo(folder.filePath(u"out.tmp"_s)).size(), 5000000);
}

}  // namespace
}  // namespace quillon
