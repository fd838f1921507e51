#include "datinformation.h"
#include "scripteddatdialogs.h"
#include "scriptedprompter.h"
#include "testfiles.h"
#include "ziparchive.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <optional>

#include <gtest/gtest.h>

using namespace quillon;
using namespace quillon::testing;

namespace {

const QByteArray gameDat = "clrmamepro (\r\n\tname \"OLD\"\r\n\tversion 1\r\n)\r\n\r\ngame (\r\n\tname pacman\r\n)\r\n";

class DatInformation : public ::testing::Test {
protected:
    void show(const QString& path) { ShowDatInformation(path, dialogs, prompter, nullptr); }

    void expectTemporaryFilesGone()
    {
        for (const QString& file : dialogs.madeFiles())
            EXPECT_FALSE(QFileInfo::exists(file)) << file.toStdString();
    }

    QByteArray entryOf(const QString& zipFile, const QString& entry)
    {
        const QString extracted = folder.filePath("check.dat");
        EXPECT_TRUE(ExtractZipEntry(zipFile, entry, extracted));
        return readAll(extracted);
    }

    QTemporaryDir folder;
    ScriptedDatDialogs dialogs;
    ScriptedPrompter prompter;
    DatHeader newHeader{.name = "NEW", .description = "New one", .version = "2"};
};

}  // namespace

TEST_F(DatInformation, SavedHeaderReplacesTheOldBlock)
{
    const QString dat = folder.filePath("game.dat");
    writeFile(dat, gameDat);
    dialogs.saveNext(newHeader);
    show(dat);

    EXPECT_EQ(dialogs.headerRequests(), QStringList{dat}) << "the editor is filled from the DAT";
    const QByteArray rewritten = readAll(dat);
    EXPECT_TRUE(rewritten.startsWith("clrmamepro (\r\n\tname \"NEW\"\r\n")) << rewritten.toStdString();
    EXPECT_FALSE(rewritten.contains("OLD"));
    EXPECT_TRUE(rewritten.endsWith("game (\r\n\tname pacman\r\n)\r\n"));
    expectTemporaryFilesGone();
    EXPECT_TRUE(prompter.messages().isEmpty());
}

TEST_F(DatInformation, CancelLeavesTheDatUntouched)
{
    const QString dat = folder.filePath("game.dat");
    writeFile(dat, gameDat);
    dialogs.saveNext(std::nullopt);
    show(dat);
    EXPECT_EQ(readAll(dat), gameDat);
}

TEST_F(DatInformation, ZippedDatIsRewrittenInItsArchive)
{
    const QString source = folder.filePath("game.dat");
    writeFile(source, gameDat);
    const QString zipFile = folder.filePath("set.zip");
    ASSERT_TRUE(AddToZip(zipFile, source, "sub/game.dat", true));

    dialogs.pickNext("sub/game.dat");
    dialogs.saveNext(newHeader);
    show(zipFile);

    EXPECT_EQ(dialogs.selectTitles(), QStringList{"Select the DatFile to open..."});
    const auto entries = ListZip(zipFile);
    ASSERT_TRUE(entries.has_value());
    ASSERT_EQ(entries->size(), 1) << "the old entry is replaced";
    EXPECT_TRUE(entryOf(zipFile, "sub/game.dat").startsWith("clrmamepro (\r\n\tname \"NEW\""));
    expectTemporaryFilesGone();
}

TEST_F(DatInformation, OnlyDatEntriesAreEdited)
{
    const QString source = folder.filePath("game.xml");
    writeFile(source, "<datafile/>");
    const QString zipFile = folder.filePath("set.zip");
    ASSERT_TRUE(AddToZip(zipFile, source, "game.xml", false));
    const QByteArray archive = readAll(zipFile);

    dialogs.pickNext("game.xml");
    show(zipFile);
    EXPECT_TRUE(dialogs.headerRequests().isEmpty());
    EXPECT_EQ(readAll(zipFile), archive);
    expectTemporaryFilesGone();
}

TEST_F(DatInformation, OtherFilesAreLeftAlone)
{
    writeFile(folder.filePath("notes.txt"), "x");
    show(folder.filePath("notes.txt"));
    show(QString());
    EXPECT_TRUE(dialogs.headerRequests().isEmpty());
    EXPECT_TRUE(dialogs.selectTitles().isEmpty());
}

TEST_F(DatInformation, WindowTakesNoInputWhileAPlainDatIsRewritten)
{
    QByteArray manyLines = gameDat;
    for (int line = 0; line < 20000; ++line)
        manyLines += "\tgame ( name x )\r\n";
    const QByteArray xmlDat = "<datafile><header><name>Old</name></header>" + QByteArray(3 << 20, ' ') + "</datafile>";
    for (const QByteArray& content : {manyLines, xmlDat}) {
        const QString dat = folder.filePath("game.dat");
        writeFile(dat, content);
        QWidget mainWindow;
        std::optional<bool> enabledDuringRewrite;
        QTimer::singleShot(0, &mainWindow, [&] { enabledDuringRewrite = mainWindow.isEnabled(); });
        dialogs.saveNext(newHeader);
        ShowDatInformation(dat, dialogs, prompter, &mainWindow);

        ASSERT_TRUE(enabledDuringRewrite.has_value()) << "window events ran during the rewrite";
        EXPECT_FALSE(*enabledDuringRewrite);
        EXPECT_TRUE(mainWindow.isEnabled());
        EXPECT_TRUE(readAll(dat).contains("NEW"));
    }
}

TEST_F(DatInformation, FailedRewriteIsReported)
{
    // A folder named like a DAT cannot be read, whoever runs the test.
    const QString dat = folder.filePath("folder.dat");
    QDir(folder.path()).mkdir("folder.dat");
    dialogs.saveNext(newHeader);
    show(dat);
    ASSERT_EQ(prompter.messages().size(), 1);
    EXPECT_EQ(prompter.messages().first().icon, PromptIcon::Critical);
    EXPECT_TRUE(QFileInfo(dat).isDir());
    expectTemporaryFilesGone();
}
