// Make Diff with the real setdelta on the demo DATs, plain and zipped.
#include "demodats.h"
#include "diffresults.h"
#include "filesizelimit.h"
#include "makediff.h"
#include "runfolder.h"
#include "scripteddatdialogs.h"
#include "scriptedprompter.h"
#include "testfiles.h"
#include "ziparchive.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

using namespace quillon;
using namespace quillon::testing;

namespace {

const QString failedText = "setdelta.exe has failed during creation!";

QStringList runFolders()
{
    return QDir(RunFoldersRoot()).entryList({"run-*"}, QDir::Dirs | QDir::Hidden);
}

// An application folder of its own with the real tool in sdelta/. Every run must leave no run
// folder behind.
class MakeDiffTest : public ::testing::Test {
protected:
    MakeDiffTest()
    {
        QDir(app.path()).mkdir("sdelta");
        QFile::link(SETDELTA_PATH, app.filePath("sdelta/setdelta"));
    }

    void TearDown() override { EXPECT_EQ(runFolders(), QStringList()); }

    DiffOutcome run(const QString& source, const QString& compare, bool zip = false,
                    const QString& switches = "-s -d2 -z", const RunStop* stop = nullptr)
    {
        MakeDiff makeDiff(tool, dialogs, prompter, [this](const QString& text) { log += text; },
                          [this](const QString& text) { statusTexts.append(text); }, stop);
        if (wantsReport)
            makeDiff.setReportSink([this](const DiffReports& reports) {
                reportedInputs = {reports.source, reports.compare};
                loadedReport = LoadDiffResults(reports.json, reports.readable, results).ok();
            });
        return makeDiff.run({source, compare, destination, switches, zip});
    }

    // The tool replaced by a script.
    void standInTool(const QByteArray& script)
    {
        QFile::remove(app.filePath("sdelta/setdelta"));
        writeFile(app.filePath("sdelta/setdelta"), script,
                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    QStringList firstLines() const
    {
        QStringList lines;
        for (const QString& text : prompter.texts())
            lines.append(text.section('\n', 0, 0));
        return lines;
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
    bool wantsReport = false;
    std::pair<ToolInput, ToolInput> reportedInputs;
    DiffResults results;
    bool loadedReport = false;
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
    EXPECT_EQ(QDir(app.filePath("sdelta")).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
              QStringList{"setdelta"}) << "nothing is written into the application folder";
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
    EXPECT_TRUE(written.endsWith(QByteArray(")\r\n\r\n" + body + "\r\n"))) << "header, CR LF, the tool's DAT, CR LF";
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
    EXPECT_EQ(prompter.texts(), QStringList{out.filePath("new.zip") + " succesfully created!"});
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
    wantsReport = true;
    dialogs.pickNext("quillon_demo_1.1.dat");
    dialogs.saveNext(std::nullopt);
    ASSERT_EQ(run(oldDat, newZip), DiffOutcome::Created);
    EXPECT_EQ(dialogs.selectTitles(), QStringList{"Select the dat to compare with..."});
    EXPECT_EQ(readAll(destination), setdeltaAlone("-s -d2 -z", oldDat, newDat));
    ASSERT_EQ(dialogs.madeFiles().size(), 1);
    EXPECT_FALSE(QFileInfo::exists(dialogs.madeFiles().first()));
    EXPECT_TRUE(log.contains(newZip + " (quillon_demo_1.1.dat)")) << log.toStdString();
    EXPECT_FALSE(log.contains(dialogs.madeFiles().first())) << "the log names no temporary file";
    ASSERT_TRUE(loadedReport) << "the run's report is there until its hearer returns";
    EXPECT_EQ(results.sets.size(), 5u);
    EXPECT_EQ(reportedInputs.second.archive, newZip) << "named as the user chose it";
    EXPECT_EQ(reportedInputs.second.entry, "quillon_demo_1.1.dat");
}

TEST_F(MakeDiffTest, CancelledZipChoiceAbortsBeforeTheTool)
{
    dialogs.pickNext("quillon_demo_1.1.dat");
    dialogs.pickNext("");
    EXPECT_EQ(run(newZip, newZip), DiffOutcome::Aborted);

    EXPECT_EQ(dialogs.selectTitles(), (QStringList{"Select the source dat...", "Select the dat to compare with..."}));
    ASSERT_EQ(prompter.messages().size(), 1);
    EXPECT_EQ(prompter.messages().first().text, "Operation aborted.");
    EXPECT_EQ(prompter.messages().first().title, "Make Diff");
    EXPECT_EQ(prompter.messages().first().icon, PromptIcon::Critical);
    EXPECT_FALSE(QFileInfo::exists(dialogs.madeFiles().first())) << "the first input's DAT is deleted";
    EXPECT_TRUE(log.isEmpty()) << "the tool did not run";
    EXPECT_TRUE(dialogs.headerRequests().isEmpty());
}

// The tool's failures, each told with the tool's own error line; none writes anything.
TEST_F(MakeDiffTest, FailingInputsGiveTheToolsReasonAndWriteNothing)
{
    writeFile(destination, "kept");
    const QString png = out.filePath("picture.dat");
    writeFile(png, QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
    const QString broken = out.filePath("broken.dat");
    writeFile(broken, "game ( name x");
    // A result of some earlier run in the application's own folder must not pass for this one.
    writeFile(app.filePath("sdelta/setdelta.dat"), "stale result");

    for (const QString& input : {png, broken, out.filePath("missing.dat")}) {
        ScriptedPrompter told;
        MakeDiff makeDiff(tool, dialogs, told, [](const QString&) {}, [](const QString&) {});
        EXPECT_EQ(makeDiff.run({oldDat, input, destination, "-s -d2", false}), DiffOutcome::Failed);
        ASSERT_EQ(told.messages().size(), 1);
        const QStringList lines = told.messages().first().text.split('\n');
        ASSERT_EQ(lines.size(), 3) << told.messages().first().text.toStdString();
        EXPECT_EQ(lines.at(0), failedText);
        EXPECT_EQ(lines.at(1), "");
        EXPECT_TRUE(lines.at(2).startsWith("setdelta: error: " + input)) << lines.at(2).toStdString();
        EXPECT_EQ(told.messages().first().title, "External Error");
    }
    EXPECT_TRUE(dialogs.headerRequests().isEmpty()) << "no header editor for a result that does not exist";
    EXPECT_EQ(readAll(destination), "kept");
    EXPECT_EQ(QDir(out.path()).entryList(QDir::Files).size(), 3) << "nothing new beside the inputs";
}

TEST_F(MakeDiffTest, UnwritableDestinationIsNotBlamedOnTheTool)
{
    destination = out.filePath("no such folder/new.dat");
    dialogs.saveNext(std::nullopt);
    EXPECT_EQ(run(oldDat, newDat), DiffOutcome::Failed);

    ASSERT_EQ(prompter.messages().size(), 1);
    EXPECT_EQ(prompter.messages().first().text,
              "The diff Dat could not be written!\n\n" + destination + ": No such file or directory");
    EXPECT_EQ(prompter.messages().first().icon, PromptIcon::Critical);
    EXPECT_FALSE(QFileInfo::exists(out.filePath("no such folder")));
}

// On a disk that fills, the user is told why and keeps the old file.
TEST_F(MakeDiffTest, FullDiskLeavesTheDestinationAsItWas)
{
    writeFile(destination, "the user's older diff");
    const ChildOutcome child = RunUnderFileSizeLimit(300, [&] {
        dialogs.saveNext(header);
        if (run(oldDat, newDat, false, "-s -d1") == DiffOutcome::Created)
            return Outcome::success();
        return Outcome::failure(prompter.texts().join('|'));
    });
    ASSERT_TRUE(child.finished);
    EXPECT_FALSE(child.ok);
    EXPECT_TRUE(child.reason.startsWith(failedText + "\n\nsetdelta: error: ")) << child.reason.toStdString();
    EXPECT_TRUE(child.reason.contains("File too large")) << child.reason.toStdString();
    EXPECT_EQ(readAll(destination), "the user's older diff");
    EXPECT_EQ(QDir(out.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"new.dat"});

    // Room for the tool's DAT but not for the header in front of it: the destination is to blame.
    const qint64 toolDatSize = setdeltaAlone("-s -d1", oldDat, newDat).size();
    const ChildOutcome joined = RunUnderFileSizeLimit(toolDatSize + 8, [&] {
        dialogs.saveNext(header);
        if (run(oldDat, newDat, false, "-s -d1") == DiffOutcome::Created)
            return Outcome::success();
        return Outcome::failure(prompter.texts().join('|'));
    });
    ASSERT_TRUE(joined.finished);
    EXPECT_FALSE(joined.ok);
    EXPECT_TRUE(joined.reason.startsWith("The diff Dat could not be written!\n\n" + destination))
        << joined.reason.toStdString();
    EXPECT_TRUE(joined.reason.contains("File too large")) << joined.reason.toStdString();
    EXPECT_EQ(readAll(destination), "the user's older diff");
    EXPECT_EQ(QDir(out.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"new.dat"});
}

TEST_F(MakeDiffTest, DestinationThatIsAnInputIsRefusedBeforeTheToolRuns)
{
    const QString source = out.filePath("old.dat");
    QFile::copy(oldDat, source);
    const QByteArray before = readAll(source);
    QFile::link(source, out.filePath("link.dat"));
    const QString archive = out.filePath("new.zip");
    QFile::copy(newZip, archive);

    struct Case {
        QString destination;
        QString compare;
        bool zip;
    };
    for (const Case& refused : {Case{source, newDat, false}, Case{out.filePath("sub/../old.dat"), newDat, false},
                                Case{out.filePath("link.dat"), newDat, false}, Case{out.filePath("new.dat"), archive, true}}) {
        ScriptedPrompter told;
        MakeDiff makeDiff(tool, dialogs, told, [this](const QString& text) { log += text; }, [](const QString&) {});
        QDir(out.path()).mkdir("sub");
        EXPECT_EQ(makeDiff.run({source, refused.compare, refused.destination, "-s", refused.zip}), DiffOutcome::Refused)
            << refused.destination.toStdString();
        ASSERT_EQ(told.messages().size(), 1);
        EXPECT_TRUE(told.messages().first().text.startsWith("The destination is one of the Dats to compare:"));
        EXPECT_EQ(told.messages().first().icon, PromptIcon::Exclamation);
    }
    EXPECT_TRUE(log.isEmpty()) << "the tool never ran";
    EXPECT_EQ(readAll(source), before);
    EXPECT_EQ(readAll(archive), readAll(newZip));
    EXPECT_TRUE(dialogs.selectTitles().isEmpty());
}

TEST_F(MakeDiffTest, StoppedRunWritesNothingAndLeavesNoTemporaryFile)
{
    standInTool("#!/bin/sh\necho comparing\nexec sleep 30\n");
    writeFile(destination, "kept");
    dialogs.pickNext("quillon_demo_1.1.dat");
    RunStop stop;
    QTimer::singleShot(500, &stop, &RunStop::request);

    EXPECT_EQ(run(oldDat, newZip, false, "-s", &stop), DiffOutcome::Cancelled);

    EXPECT_EQ(log, "comparing\n");
    EXPECT_EQ(readAll(destination), "kept");
    EXPECT_TRUE(prompter.messages().isEmpty());
    EXPECT_TRUE(dialogs.headerRequests().isEmpty());
    EXPECT_FALSE(QFileInfo::exists(dialogs.madeFiles().first()));
}

TEST_F(MakeDiffTest, MissingToolIsReported)
{
    QFile::remove(app.filePath("sdelta/setdelta"));
    EXPECT_EQ(run(oldDat, newDat), DiffOutcome::Failed);
    EXPECT_EQ(prompter.texts(),
              (QStringList{"CreateProcess failed. Error: 2",
                           failedText + "\n\nsetdelta could not be started: No such file or directory"}));
    EXPECT_FALSE(QFileInfo::exists(destination));
}
