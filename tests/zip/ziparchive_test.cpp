#include "filesizelimit.h"
#include "syscallrecorder.h"
#include "tempfileclaim.h"
#include "testfiles.h"
#include "ziparchive.h"
#include "ziptestfiles.h"

#include <QDir>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

namespace quillon {
namespace {

using namespace Qt::Literals::StringLiterals;
using namespace testing;

class ZipArchives : public ::testing::Test {
protected:
    QString path(const char* name) const { return folder_.filePath(QString::fromUtf8(name)); }
    QStringList files(const char* folder = "") const { return QDir(path(folder)).entryList(QDir::Files | QDir::Hidden); }
    QStringList names(const char* zip) const
    {
        QStringList listed;
        if (const Result<QList<ZipEntry>> entries = ListZip(path(zip)))
            for (const ZipEntry& entry : *entries)
                listed.append(entry.name);
        return listed;
    }
    Outcome extract(const char* zip, const QString& entry) const { return ExtractZipEntry(path(zip), entry, path("out.tmp")); }
    QByteArray content(const char* zip, const QString& entry) const
    {
        QDir(path("")).mkdir(u"tmp"_s);
        return ExtractZipEntry(path(zip), entry, path("tmp/out")) ? readAll(path("tmp/out")) : "<missing>";
    }

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

TEST_F(ZipArchives, ListsEntriesInArchiveOrderAndNothingForWhatIsNoArchive)
{
    ASSERT_TRUE(makeZip(path("a.zip"), {{"b.dat", sample(5000)}, {"sub/", {}}, {"sub/a.xml", "<x/>", true}}));
    const Result<QList<ZipEntry>> listed = ListZip(path("a.zip"));
    ASSERT_TRUE(listed) << listed.reason().toStdString();
    const QList<ZipEntry>& entries = *listed;
    ASSERT_EQ(names("a.zip"), (QStringList{u"b.dat"_s, u"sub/"_s, u"sub/a.xml"_s}));
    EXPECT_TRUE(entries[0].compressedSize > 0 && entries[0].compressedSize < 5000) << entries[0].compressedSize;
    EXPECT_EQ(entries[0].modified.toSecsSinceEpoch(), 946684800);
    EXPECT_TRUE(entries[1].isFolder && !entries[2].isFolder && entries[2].index == 2);
    EXPECT_EQ(entries[2].crc, 0x1226842bu) << "CRC-32 of <x/>";

    writeFile(path("text.zip"), "not a zip at all");
    writeFile(path("cut.zip"), readAll(path("a.zip")).chopped(60));
    for (const char* unreadable : {"text.zip", "missing.zip", "cut.zip"}) {
        const Result<QList<ZipEntry>> refused = ListZip(path(unreadable));
        EXPECT_FALSE(refused) << unreadable;
        EXPECT_TRUE(refused.reason().startsWith(path(unreadable))) << refused.reason().toStdString();
    }
}

TEST_F(ZipArchives, ExtractsTheNamedEntryWithProgressUpToAHundred)
{
    const QByteArray big = sample(3 * 1024 * 1024 + 5);
    ASSERT_TRUE(makeZip(path("a.zip"), {{"first.dat", "first"}, {"sub/game.dat", big}, {"empty.dat", {}}}));
    for (const auto& [entry, content] : {std::pair{u"sub/game.dat"_s, big}, std::pair{u"empty.dat"_s, QByteArray()}}) {
        writeFile(path("out.tmp"), "old content, longer than nothing");
        QList<int> percents;
        ASSERT_TRUE(ExtractZipEntry(path("a.zip"), entry, path("out.tmp"), [&](int percent) { percents.append(percent); return true; }));
        EXPECT_EQ(readAll(path("out.tmp")), content);
        EXPECT_TRUE(percents.front() == 0 && percents.back() == 100) << "an empty entry is complete too";
        EXPECT_TRUE(std::is_sorted(percents.cbegin(), percents.cend()));
    }
}

// Folders, names in another letter case and damaged data (the CRC check) are not extracted;
// an entry name is never a path on disk.
TEST_F(ZipArchives, OnlyAnIntactFileEntryIsExtractedAndOnlyWhereAsked)
{
    ASSERT_TRUE(makeZip(path("a.zip"), {{"sub/", {}}, {"game.dat", sample(100000)}, {"../../x", "payload"}}));
    EXPECT_FALSE(extract("a.zip", u"sub/"_s));
    EXPECT_FALSE(extract("a.zip", u"GAME.DAT"_s));
    ASSERT_TRUE(extract("a.zip", u"../../x"_s));
    EXPECT_EQ(readAll(path("out.tmp")), "payload");
    EXPECT_FALSE(QFileInfo::exists(path("../../x")));

    QByteArray archive = readAll(path("a.zip"));
    const qsizetype data = archive.indexOf("game.dat") + 8;
    for (qsizetype index = data + 100; index < data + 400; ++index)
        archive[index] = static_cast<char>(archive[index] ^ 0x55);
    writeFile(path("damaged.zip"), archive);
    ASSERT_TRUE(ListZip(path("damaged.zip")));
    EXPECT_FALSE(extract("damaged.zip", u"game.dat"_s));
}

// Two entries may bear one name; the one picked from the list is the one taken, and an archive
// rewritten since it was listed is not taken from at all.
TEST_F(ZipArchives, AListedEntryIsExtractedByItsIndex)
{
    ASSERT_TRUE(makeZip(path("twice.zip"), {{"game.dat", "first", true}, {"gXme.dat", "other", true}}));
    writeFile(path("twice.zip"), readAll(path("twice.zip")).replace("gXme.dat", "game.dat"));
    const Result<QList<ZipEntry>> entries = ListZip(path("twice.zip"));
    ASSERT_TRUE(entries && entries->size() == 2 && entries->at(1).name == u"game.dat"_s);
    ASSERT_TRUE(ExtractListedEntry(path("twice.zip"), entries->at(1), path("out.tmp")));
    EXPECT_EQ(readAll(path("out.tmp")), "other");

    ASSERT_TRUE(makeZip(path("twice.zip"), {{"game.dat", "first"}, {"new.dat", "new"}}));
    EXPECT_EQ(ExtractListedEntry(path("twice.zip"), entries->at(1), path("out.tmp")).reason(),
              path("twice.zip") + u": the archive has changed since it was listed."_s);
}

// A path on disk is stored under its file name, an entry name as it stands ("/abs.dat" is an
// entry, not a path), replacing its entry; a failed add leaves the archive and the file.
TEST_F(ZipArchives, AddingCreatesOrUpdatesTheArchiveAndOnlyThenDeletesTheFile)
{
    writeFile(path("new.dat"), sample(70000));
    writeFile(path("text.zip"), "not a zip at all");
    EXPECT_FALSE(AddToZip(path("text.zip"), path("new.dat"), path("new.dat"), true));
    EXPECT_FALSE(AddToZip(path("new.zip"), path("missing.dat"), path("missing.dat"), true));
    EXPECT_FALSE(AddToZip(path("no/folder/new.zip"), path("new.dat"), path("new.dat"), true));
    EXPECT_EQ(readAll(path("text.zip")), "not a zip at all");
    ASSERT_TRUE(AddToZip(path("new.zip"), path("new.dat"), path("new.dat"), true));
    EXPECT_EQ(names("new.zip"), QStringList{u"new.dat"_s});
    EXPECT_EQ(content("new.zip", u"new.dat"_s), sample(70000));
    EXPECT_EQ(files(), (QStringList{u"new.zip"_s, u"text.zip"_s}));

    ASSERT_TRUE(makeZip(path("a.zip"), {{"readme.txt", "hello"}, {"sub/game.dat", "old"}, {"/abs.dat", "old"}}));
    writeFile(path("dat123.tmp"), "new body");
    for (const QString& name : {u"sub/game.dat"_s, u"/abs.dat"_s}) {
        ASSERT_TRUE(AddToZip(path("a.zip"), path("dat123.tmp"), name));
        EXPECT_EQ(content("a.zip", name), "new body");
    }
    EXPECT_EQ(names("a.zip"), (QStringList{u"readme.txt"_s, u"sub/game.dat"_s, u"/abs.dat"_s}));
    EXPECT_EQ(content("a.zip", u"readme.txt"_s), "hello");
    EXPECT_TRUE(QFile::exists(path("dat123.tmp"))) << "kept without bDeleteZipped";
}

TEST_F(ZipArchives, AFailedWriteKeepsTheOldArchiveWhole)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root writes into read-only folders";
    QDir(path("")).mkpath(u"ro"_s);
    ASSERT_TRUE(makeZip(path("ro/a.zip"), {{"game.dat", "old"}}));
    const QByteArray before = readAll(path("ro/a.zip"));
    writeFile(path("new.dat"), "new");
    QFile::setPermissions(path("ro"), QFile::ReadOwner | QFile::ExeOwner);
    const bool added = AddToZip(path("ro/a.zip"), path("new.dat"), u"game.dat"_s, true).ok();
    QFile::setPermissions(path("ro"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_FALSE(added);
    EXPECT_EQ(readAll(path("ro/a.zip")), before);
    EXPECT_TRUE(QFile::exists(path("new.dat")));
}

// The new archive's name is on disk too: its folder is flushed after the rename.
TEST_F(ZipArchives, AnUpdatedArchiveIsOnDiskUnderItsName)
{
    ASSERT_TRUE(makeZip(path("a.zip"), {{"game.dat", "old"}}));
    writeFile(path("new.dat"), "new");
    const SyscallRecording recording;
    ASSERT_TRUE(AddToZip(path("a.zip"), path("new.dat"), u"game.dat"_s));
    const QStringList events = recording.events();
    const QStringList published{u"rename "_s + path("a.zip"), u"fsync "_s + QFileInfo(path("")).canonicalFilePath()};
    EXPECT_EQ(events.mid(events.indexOf(published.first())), published) << events.join(u'\n').toStdString();
}

TEST_F(ZipArchives, AnArchiveReachedThroughALinkIsUpdatedWhereItLies)
{
    QDir(path("")).mkpath(u"store"_s);
    ASSERT_TRUE(makeZip(path("store/a.zip"), {{"game.dat", "old"}}));
    ASSERT_TRUE(QFile::link(path("store/a.zip"), path("a.zip")));
    writeFile(path("new.dat"), "new");
    ASSERT_TRUE(AddToZip(path("a.zip"), path("new.dat"), u"game.dat"_s));
    EXPECT_TRUE(QFileInfo(path("a.zip")).isSymLink());
    EXPECT_EQ(content("store/a.zip", u"game.dat"_s), "new");
    EXPECT_EQ(files("store"), QStringList{u"a.zip"_s});
}

// A declared size is trusted no further than it proves true, stored or deflated, and a size no
// disk could hold (1 PiB in a ZIP64 field) is refused before anything is written.
TEST_F(ZipArchives, DeclaredSizesAreCheckedAgainstTheDataAndTheDisk)
{
    for (const bool stored : {true, false}) {
        ASSERT_TRUE(makeZip(path("liar.zip"), {{"game.dat", sample(200000), stored}}));
        ASSERT_TRUE(testing::setDeclaredSize(path("liar.zip"), 100));
        EXPECT_EQ(extract("liar.zip", u"game.dat"_s).reason(),
                  u"The entry holds more data than the 100 bytes it declares; the archive is damaged."_s);
        EXPECT_LE(QFileInfo(path("out.tmp")).size(), 100) << "nothing beyond the declared size is written";
    }
    constexpr quint64 onePebibyte = quint64(1) << 50;
    ASSERT_TRUE(testing::setDeclaredSize(path("liar.zip"), onePebibyte));
    QFile::remove(path("out.tmp"));
    const QString reason = extract("liar.zip", u"game.dat"_s).reason();
    EXPECT_TRUE(reason.startsWith(u"The entry needs %1 bytes, but only "_s.arg(onePebibyte))) << reason.toStdString();
    EXPECT_FALSE(QFile::exists(path("out.tmp")));
}

// An update of an archive killed while libzip writes the new archive leaves its staged copy and
// libzip's temporary file beside the user's archive; a later start removes both.
TEST_F(ZipArchives, WhatAKilledUpdateLeftBesideTheArchiveGoesAtTheNextStart)
{
    const QTemporaryDir runtime;
    qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    ASSERT_TRUE(makeZip(path("a.zip"), {{"game.dat", "old"}}));
    const QByteArray before = readAll(path("a.zip"));
    QByteArray noise(1 << 20, '\0');  // does not deflate, so the new archive outgrows the limit
    QRandomGenerator(7).fillRange(reinterpret_cast<quint32*>(noise.data()), noise.size() / 4);
    writeFile(path("new.dat"), noise);
    EXPECT_TRUE(KilledByFileSizeLimit(1 << 16, [this] { (void)AddToZip(path("a.zip"), path("new.dat"), u"game.dat"_s); }));
    ASSERT_EQ(files().filter(u".part."_s).size(), 1) << "libzip's file is left: " << files().join(u' ').toStdString();

    RemoveLeftoverTempFiles();
    qunsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(files(), (QStringList{u"a.zip"_s, u"new.dat"_s}));
    EXPECT_EQ(readAll(path("a.zip")), before);
}

TEST(RealZips, ListAndExtractTheSharedDats)
{
    const QString zip = QStringLiteral(SHARED_DATS_DIR "/mame_0.37b5_listinfo.zip");
    if (!QFile::exists(zip))
        GTEST_SKIP() << SHARED_DATS_DIR " is missing";
    const Result<QList<ZipEntry>> entries = ListZip(zip);
    ASSERT_TRUE(entries && entries->size() == 2);
    QTemporaryDir folder;
    ASSERT_TRUE(ExtractListedEntry(zip, entries->at(0), folder.filePath(u"out.tmp"_s)));
    EXPECT_GT(QFileInfo(folder.filePath(u"out.tmp"_s)).size(), 5000000);
}

}  // namespace
}  // namespace quillon
