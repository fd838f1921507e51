// Make Diff with the real setdelta on the demo DATs, plain and zipped.
#include "makediff.h"
#include "scripteddatdialogs.h"
#include "scriptedprompter.h"
#include "testfiles.h"
#include "ziparchive.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace quillon;
using namespace quillon::testing;

namespace {

const QString oldDat = DEMO_DIR "/quillon_demo_1.0.dat";
const QString newDat = DEMO_DIR "/quillon_demo_1.1.dat";
const QString newZip = DEMO_DIR "/quillon_demo_1.1.zip";

// An application folder of its own with the real tool in sdelta/, so that runs do not share
// the tool's working folder.
class MakeDiffTest : public ::testing::Test {
protected:
    MakeDiffTest()
    {
        QDir(app.path()).mkdir("sdelta");
        QFile::link(SETDELTA_PATH, app.filePath("sdelta/setdelta"));
    }

    DiffOutcome run(const QString& source, const QString& compare, bool zip = false,
                    const QString& switches = "-s -d2 -z")
    {
        MakeDiff makeDiff(tool, dialogs, prompter, [this](const QString& text) { log += text; },
                          [this](const QString& text) { statusTexts.append(text); });
        return makeDiff.run({source, compare, destination, switches, zip});
    }

    // What setdelta writes when run by hand in a folder of its own.
    QByteArray setdeltaAlone(const QString& switches, const QString& source, const QString& compare)
    {
        QTemporaryDir work;
        QProcess process;
        process.setWorkingDirectory(work.path());
        process.start(SETDELTA_PATH, QStringList(switches.split(' ', Qt::SkipEmptyParts)) << source << compare);
        EXPECT_TRUE(process.waitForFinished(60000));
        return readAll(work.filePath("setdelta.dat"));
    }

    QByteArray zipEntry(const QString& zipFile, const QString& entry)
    {
        const QString extracted = out.filePath("check.tmp");
        EXPECT_TRUE(ExtractZipEntry(zipFile, entry, extracted));
        return readAll(extracted);
    }

    QTemporaryDir app;
    QTemporaryDir out;
    DiffTool tool{app.path()};
    ScriptedDatDialogs dialogs;
    ScriptedPrompter prompter;
    QString destination = out.filePath("new.dat");
    QString log;
    QStringList statusTexts;
    DatHeader header{.name = "Demo diff", .description = "Demo 1.0 to 1.1", .version = "1.1"};
};

}  // namespace

TEST(DiffDestination, AppendsDatUnlessItIsThere)
{
    EXPECT_EQ(DiffDestination("/out/new"), "/out/new.dat");
    EXPECT_EQ(DiffDestination("/out.old/new"), "/out.old/new.dat");
    EXPECT_EQ(DiffDestination("/out/result.txt"), "/out/result.txt.dat");
    EXPECT_EQ(DiffDestination("/out/result.DAT"), "/out/result.DAT");
}

TEST_F(MakeDiffTest, WritesTheToolsResultAndCleansUp)
{
    writeFile(destination, "an older result, overwritten without a question");
    dialogs.saveNext(std::nullopt);
    EXPECT_EQ(run(oldDat, newDat), DiffOutcome::Created);

    EXPECT_EQ(readAll(destination), setdeltaAlone("-s -d2 -z", oldDat, newDat));
    EXPECT_FALSE(QFileInfo::exists(tool.resultDat()));
    EXPECT_FALSE(QFileInfo::exists(tool.reportLog()));
    EXPECT_TRUE(log.contains("Wrote setdelta.dat")) << log.toStdString();
    ASSERT_EQ(prompter.messages().size(), 1);
    EXPECT_EQ(prompter.messages().first().text, destination + " succesfully created!");
    EXPECT_EQ(prompter.messages().first().icon, PromptIcon::Information);
    EXPECT_TRUE(prompter.messages().first().centredOnMainWindow);
}

TEST_F(MakeDiffTest, EverySetTypeAndDatTypeGivesTheToolsOwnOutput)
{
    for (const QString switches : {"-s -d1", "-m -d2 -r", "-n -d3 -z", "-s -d4 -b", "-m -d1 -z -b"}) {
        dialogs.saveNext(std::nullopt);
        ASSERT_EQ(run(oldDat, newDat, false, switches), DiffOutcome::Created) << switches.toStdString();
        EXPECT_EQ(readAll(destination), setdeltaAlone(switches, oldDat, newDat)) << switches.toStdString();
    }
}

TEST_F(MakeDiffTest, SavedHeaderComesFirst)
{
    dialogs.saveNext(header);
    ASSERT_EQ(run(oldDat, newDat), DiffOutcome::Created);
    const QByteArray written = readAll(destination);
    const QByteArray body = setdeltaAlone("-s -d2 -z", oldDat, newDat);
    EXPECT_TRUE(written.startsWith("clrmamepro (\r\n\tname \"Demo diff\"\r\n")) << written.toStdString();
    EXPECT_TRUE(written.endsWith(")\r\n\r\n" + body + "\r\n")) << "header, CR LF, the tool's DAT, CR LF";
    EXPECT_FALSE(QFileInfo::exists(dialogs.madeFiles().first())) << "the header file is deleted";
}

TEST_F(MakeDiffTest, ZippedResultLeavesOnlyTheArchive)
{
    dialogs.saveNext(std::nullopt);
    ASSERT_EQ(run(oldDat, newDat, true), DiffOutcome::Created);
    EXPECT_FALSE(QFileInfo::exists(destination));
    const auto entries = ListZip(out.filePath("new.zip"));
    ASSERT_TRUE(entries && entries->size() == 1);
    EXPECT_EQ(entries->first().name, "new.dat");
    EXPECT_EQ(zipEntry(out.filePath("new.zip"), "new.dat"), setdeltaAlone("-s -d2 -z", oldDat, newDat));
    EXPECT_EQ(statusTexts, (QStringList{"Zipping DatFile...", ""}));
    EXPECT_EQ(prompter.texts(), QStringList{destination + " succesfully created!"});
}

TEST_F(MakeDiffTest, ZippedResultWithHeaderLeavesADatOfTheSameNameAlone)
{
    writeFile(destination, "the user's own new.dat");
    dialogs.saveNext(header);
    ASSERT_EQ(run(oldDat, newDat, true), DiffOutcome::Created);
    EXPECT_EQ(readAll(destination), "the user's own new.dat");
    EXPECT_TRUE(zipEntry(out.filePath("new.zip"), "new.dat").startsWith("clrmamepro ("));
    for (const QString& file : dialogs.madeFiles())
        EXPECT_FALSE(QFileInfo::exists(file));
}

TEST_F(MakeDiffTest, ZippedInputIsTakenOutAndDeletedAfterwards)
{
    dialogs.pickNext("quillon_demo_1.1.dat");
    dialogs.saveNext(std::nullopt);
    ASSERT_EQ(run(oldDat, newZip), DiffOutcome::Created);
    EXPECT_EQ(dialogs.selectTitles(), QStringList{"Select the dat to compare with..."});
    EXPECT_EQ(readAll(destination), setdeltaAlone("-s -d2 -z", oldDat, newDat));
    ASSERT_EQ(dialogs.madeFiles().size(), 1);
    EXPECT_FALSE(QFileInfo::exists(dialogs.madeFiles().first()));
}

TEST_F(MakeDiffTest, CancelledZipChoiceAbortsBeforeTheTool)
{
    writeFile(tool.reportLog(), "log of an earlier run");
    dialogs.pickNext("quillon_demo_1.1.dat");
    dialogs.pickNext("");
    EXPECT_EQ(run(newZip, newZip), DiffOutcome::Aborted);

    EXPECT_EQ(dialogs.selectTitles(), (QStringList{"Select the source dat...", "Select the dat to compare with..."}));
    ASSERT_EQ(prompter.messages().size(), 1);
    EXPECT_EQ(prompter.messages().first().text, "Operation aborted.");
    EXPECT_EQ(prompter.messages().first().title, "Make Diff");
    EXPECT_EQ(prompter.messages().first().icon, PromptIcon::Critical);
    EXPECT_FALSE(QFileInfo::exists(dialogs.madeFiles().first())) << "the first input's DAT is deleted";
    EXPECT_TRUE(QFileInfo::exists(tool.reportLog())) << "the tool's old outputs are not touched";
    EXPECT_TRUE(dialogs.headerRequests().isEmpty());
}

TEST_F(MakeDiffTest, ToolThatLeavesNoResultFailsWithoutWriting)
{
    writeFile(destination, "kept");
    const QString broken = out.filePath("broken.dat");
    writeFile(broken, "game ( name x");
    EXPECT_EQ(run(oldDat, broken), DiffOutcome::Failed);

    EXPECT_TRUE(dialogs.headerRequests().isEmpty()) << "no header editor for a result that does not exist";
    EXPECT_EQ(readAll(destination), "kept");
    EXPECT_EQ(prompter.texts(), QStringList{"setdelta.exe has failed during creation!"});
    EXPECT_EQ(prompter.messages().first().title, "External Error");
    EXPECT_TRUE(QFileInfo::exists(tool.reportLog())) << "the tool's log stays for inspection";
    EXPECT_TRUE(log.contains("error")) << log.toStdString();
}

TEST_F(MakeDiffTest, MissingToolIsReported)
{
    QFile::remove(app.filePath("sdelta/setdelta"));
    EXPECT_EQ(run(oldDat, newDat), DiffOutcome::Failed);
    EXPECT_EQ(prompter.texts(),
              (QStringList{"CreateProcess failed. Error: 2", "setdelta.exe has failed during creation!"}));
    EXPECT_FALSE(QFileInfo::exists(destination));
}
