#include "testfiles.h"
#include "ziparchive.h"
#include "ziptestfiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

namespace quillon {
namespace {

using testing::entryContent;
using testing::entryNames;
using testing::makeZip;
using testing::readAll;
using testing::writeFile;

class ZipArchives : public ::testing::Test {
protected:
    QString path(const QString& name) const { return folder_.filePath(name); }

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
    ASSERT_TRUE(makeZip(path("a.zip"), {{"b.dat", sample(5000)},
                                       {"sub/", {}},
                                       {"sub/a.xml", "<x/>", true},
                                       {"empty.dat", {}, true}}));
    const std::optional<QList<ZipEntry>> entries = ListZip(path("a.zip"));
    ASSERT_TRUE(entries);
    ASSERT_EQ(entries->size(), 4);
    EXPECT_EQ(entries->at(0).name, "b.dat");
    EXPECT_GT(entries->at(0).compressedSize, 0u);
    EXPECT_LT(entries->at(0).compressedSize, 5000u);
    EXPECT_EQ(entries->at(0).modified.toSecsSinceEpoch(), 946684800);
    EXPECT_FALSE(entries->at(0).isFolder);
    EXPECT_EQ(entries->at(1).name, "sub/");
    EXPECT_TRUE(entries->at(1).isFolder);
    EXPECT_EQ(entries->at(2).compressedSize, 4u);
    EXPECT_EQ(entries->at(2).crc, 0x1226842bu) << "CRC-32 of <x/>";
    EXPECT_EQ(entries->at(3).compressedSize, 0u);
}

TEST_F(ZipArchives, WhatIsNoArchiveCannotBeListed)
{
    writeFile(path("text.zip"), "not a zip at all");
    EXPECT_FALSE(ListZip(path("text.zip")));
    EXPECT_FALSE(ListZip(path("missing.zip")));
    ASSERT_TRUE(makeZip(path("cut.zip"), {{"a.dat", sample(20000)}}));
    const QByteArray whole = readAll(path("cut.zip"));
    writeFile(path("cut.zip"), whole.left(whole.size() / 2));
    EXPECT_FALSE(ListZip(path("cut.zip"))) << "the central directory is gone";
}

TEST_F(ZipArchives, ExtractsTheNamedEntryWithProgressUpToAHundred)
{
    const QByteArray big = sample(3 * 1024 * 1024 + 5);
    ASSERT_TRUE(makeZip(path("a.zip"), {{"first.dat", "first"}, {"sub/game.dat", big}}));
    writeFile(path("out.tmp"), "old content, longer than nothing");
    QList<int> percents;
    ASSERT_TRUE(ExtractZipEntry(path("a.zip"), "sub/game.dat", path("out.tmp"),
                                [&](int percent) { percents.append(percent); return true; }));
    EXPECT_EQ(readAll(path("out.tmp")), big);
    ASSERT_GE(percents.size(), 3);
    EXPECT_EQ(percents.front(), 0);
    EXPECT_EQ(percents.back(), 100);
    EXPECT_TRUE(std::is_sorted(percents.cbegin(), percents.cend()));

    ASSERT_TRUE(makeZip(path("empty.zip"), {{"empty.dat", {}}}));
    percents.clear();
    EXPECT_TRUE(ExtractZipEntry(path("empty.zip"), "empty.dat", path("out.tmp"),
                                [&](int percent) { percents.append(percent); return true; }));
    EXPECT_EQ(readAll(path("out.tmp")), "");
    EXPECT_EQ(percents, (QList<int>{0, 100}));
}

TEST_F(ZipArchives, OnlyAnExistingIntactFileEntryIsExtracted)
{
    ASSERT_TRUE(makeZip(path("a.zip"), {{"sub/", {}}, {"game.dat", sample(100000)}}));
    EXPECT_FALSE(ExtractZipEntry(path("a.zip"), "sub/", path("out.tmp")));
    EXPECT_FALSE(ExtractZipEntry(path("a.zip"), "GAME.DAT", path("out.tmp"))) << "names match exactly";
    EXPECT_FALSE(ExtractZipEntry(path("missing.zip"), "game.dat", path("out.tmp")));

    // Damage the compressed data but not the directory: the CRC check catches it.
    QByteArray archive = readAll(path("a.zip"));
    const qsizetype data = archive.indexOf("game.dat") + 8;
    for (qsizetype index = data + 100; index < data + 400; ++index)
        archive[index] = static_cast<char>(archive[index] ^ 0x55);
    writeFile(path("damaged.zip"), archive);
    ASSERT_TRUE(ListZip(path("damaged.zip")));
    EXPECT_FALSE(ExtractZipEntry(path("damaged.zip"), "game.dat", path("out.tmp")));
}

TEST_F(ZipArchives, EntryNamesNeverBecomePathsOnDisk)
{
    QDir(path("deep/er")).mkpath(".");
    ASSERT_TRUE(makeZip(path("deep/er/evil.zip"), {{"../../x", "payload"}, {"/tmp/abs.dat", "abs"}}));
    ASSERT_TRUE(ExtractZipEntry(path("deep/er/evil.zip"), "../../x", path("deep/er/out.tmp")));
    EXPECT_EQ(readAll(path("deep/er/out.tmp")), "payload");
    EXPECT_FALSE(QFile::exists(path("x")));
    EXPECT_EQ(QDir(path("")).entryList(QDir::Files), QStringList());
}

TEST(StoredZipName, PathsOnDiskGiveTheirFileNameAndEntryNamesStayWhole)
{
    EXPECT_EQ(StoredZipName("/dats/new.dat"), "new.dat");
    EXPECT_EQ(StoredZipName("/tmp/datA1B2.tmp"), "datA1B2.tmp");
    EXPECT_EQ(StoredZipName("/out.old/new"), "new.") << "no extension: the title and a dot";
    EXPECT_EQ(StoredZipName("/dats/a.b.xml"), "a.b.xml");
    EXPECT_EQ(StoredZipName("sub/game.dat"), "sub/game.dat");
    EXPECT_EQ(StoredZipName("C:game.dat"), "C:game.dat") << "a colon is an ordinary character";
}

TEST_F(ZipArchives, AddingCreatesTheArchiveAndThenDeletesTheFile)
{
    writeFile(path("new.dat"), sample(70000));
    ASSERT_TRUE(AddToZip(path("new.zip"), path("new.dat"), path("new.dat"), true));
    EXPECT_EQ(entryNames(path("new.zip")), QStringList{"new.dat"});
    EXPECT_EQ(entryContent(path("new.zip"), "new.dat"), sample(70000));
    EXPECT_FALSE(QFile::exists(path("new.dat")));
    EXPECT_EQ(QDir(path("")).entryList(QDir::Files), QStringList{"new.zip"}) << "no temporary file left";
}

TEST_F(ZipArchives, AddingReplacesTheEntryOfTheSameNameAndKeepsTheOthers)
{
    ASSERT_TRUE(makeZip(path("a.zip"), {{"readme.txt", "hello"}, {"sub/game.dat", "old body"}}));
    writeFile(path("dat123.tmp"), "new body");
    ASSERT_TRUE(AddToZip(path("a.zip"), path("dat123.tmp"), "sub/game.dat"));
    EXPECT_EQ(entryNames(path("a.zip")), (QStringList{"readme.txt", "sub/game.dat"}));
    EXPECT_EQ(entryContent(path("a.zip"), "sub/game.dat"), "new body");
    EXPECT_EQ(entryContent(path("a.zip"), "readme.txt"), "hello");
    EXPECT_TRUE(QFile::exists(path("dat123.tmp"))) << "kept without bDeleteZipped";
}

TEST_F(ZipArchives, AFailedAddLeavesArchiveAndFileAlone)
{
    writeFile(path("new.dat"), "body");
    writeFile(path("text.zip"), "not a zip at all");
    EXPECT_FALSE(AddToZip(path("text.zip"), path("new.dat"), path("new.dat"), true));
    EXPECT_EQ(readAll(path("text.zip")), "not a zip at all");
    EXPECT_TRUE(QFile::exists(path("new.dat")));

    EXPECT_FALSE(AddToZip(path("new.zip"), path("missing.dat"), path("missing.dat"), true));
    EXPECT_FALSE(QFile::exists(path("new.zip")));
    EXPECT_FALSE(AddToZip(path("no/folder/new.zip"), path("new.dat"), path("new.dat"), true));
    EXPECT_TRUE(QFile::exists(path("new.dat")));
}

TEST_F(ZipArchives, AFailedWriteKeepsTheOldArchiveWhole)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root writes into read-only folders";
    QDir(path("ro")).mkpath(".");
    ASSERT_TRUE(makeZip(path("ro/a.zip"), {{"game.dat", "old"}}));
    const QByteArray before = readAll(path("ro/a.zip"));
    writeFile(path("new.dat"), "new");
    QFile::setPermissions(path("ro"), QFile::ReadOwner | QFile::ExeOwner);
    const bool added = AddToZip(path("ro/a.zip"), path("new.dat"), "game.dat", true).ok();
    QFile::setPermissions(path("ro"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_FALSE(added);
    EXPECT_EQ(readAll(path("ro/a.zip")), before);
    EXPECT_TRUE(QFile::exists(path("new.dat")));
}

TEST_F(ZipArchives, AnArchiveReachedThroughALinkIsUpdatedWhereItLies)
{
    QDir(path("")).mkpath("store");
    ASSERT_TRUE(makeZip(path("store/a.zip"), {{"game.dat", "old"}}));
    ASSERT_TRUE(QFile::link(path("store/a.zip"), path("a.zip")));
    writeFile(path("new.dat"), "new");

    ASSERT_TRUE(AddToZip(path("a.zip"), path("new.dat"), "game.dat"));

    EXPECT_TRUE(QFileInfo(path("a.zip")).isSymLink());
    EXPECT_EQ(entryContent(path("store/a.zip"), "game.dat"), "new");
    EXPECT_EQ(QDir(path("store")).entryList(QDir::Files | QDir::Hidden), QStringList{"a.zip"});
}

TEST_F(ZipArchives, AnEntryNameBeginningWithASlashIsReplacedUnderThatName)
{
    ASSERT_TRUE(makeZip(path("a.zip"), {{"/game.dat", "old"}}));
    writeFile(path("cmh1.tmp"), "new");
    ASSERT_TRUE(AddToZip(path("a.zip"), path("cmh1.tmp"), "/game.dat"));
    EXPECT_EQ(entryNames(path("a.zip")), QStringList{"/game.dat"});
    EXPECT_EQ(entryContent(path("a.zip"), "/game.dat"), "new");
}

TEST_F(ZipArchives, AnEntryHoldingMoreThanItDeclaresIsDamaged)
{
    const QByteArray body = sample(200000);
    for (const bool stored : {true, false}) {
        ASSERT_TRUE(makeZip(path("liar.zip"), {{"game.dat", body, stored}}));
        ASSERT_TRUE(testing::setDeclaredSize(path("liar.zip"), 100));
        writeFile(path("out.tmp"), "");

        const Outcome extracted = ExtractZipEntry(path("liar.zip"), "game.dat", path("out.tmp"));

        EXPECT_FALSE(extracted) << stored;
        EXPECT_EQ(extracted.reason(), "The entry holds more data than the 100 bytes it declares; the archive is damaged.");
        EXPECT_LE(QFileInfo(path("out.tmp")).size(), 100) << "nothing beyond the declared size is written";
    }
}

TEST_F(ZipArchives, AnEntryLargerThanTheFreeSpaceIsNotStarted)
{
    ASSERT_TRUE(makeZip(path("big.zip"), {{"game.dat", sample(1000)}}));
    constexpr quint64 onePebibyte = quint64(1) << 50;
    ASSERT_TRUE(testing::setDeclaredSize64(path("big.zip"), onePebibyte));
    writeFile(path("out.tmp"), "");

    const Outcome extracted = ExtractZipEntry(path("big.zip"), "game.dat", path("out.tmp"));

    EXPECT_FALSE(extracted);
    EXPECT_TRUE(extracted.reason().startsWith(QStringLiteral("The entry needs %1 bytes, but only ").arg(onePebibyte)))
        << extracted.reason().toStdString();
    EXPECT_EQ(QFileInfo(path("out.tmp")).size(), 0);
}

TEST(RealZips, ListAndExtractTheSharedDats)
{
    const QString zip = QStringLiteral(SHARED_DATS_DIR "/mame_0.37b5_listinfo.zip");
    if (!QFile::exists(zip))
        GTEST_SKIP() << SHARED_DATS_DIR " is missing";
    const std::optional<QList<ZipEntry>> entries = ListZip(zip);
    ASSERT_TRUE(entries);
    ASSERT_EQ(entries->size(), 2);
    QTemporaryDir folder;
    const QString out = folder.filePath("out.tmp");
    ASSERT_TRUE(ExtractZipEntry(zip, entries->at(0).name, out));
    EXPECT_GT(QFileInfo(out).size(), 5000000);
}

}  // namespace
}  // namespace quillon
