// Make Diff with the real setdelta on the demo DATs, plain and zipped, and on real XML datafiles.
#include "diffresults.h"
#include "filesizelimit.h"
#include "maintesting.h"
#include "makediff.h"
#include "runfolder.h"
#include "scripteddatdialogs.h"
#include "scriptedprompter.h"
#include "utilities.h"
#include "ziparchive.h"

#include <QTimer>

#include <unistd.h>

namespace {

const QString failedText = u"setdelta.exe has failed during creation!"_s;

// An application folder of its own with the real tool in sdelta/. Every run must leave no run
// folder behind.
class MakeDiffTest : public ::testing::Test {
protected:
    void TearDown() override { EXPECT_EQ(QDir(RunFoldersRoot()).entryList({u"run-*"_s}, QDir::Dirs), QStringList()); }

    DiffOutcome run(const QString& source, const QString& compare, bool zip = false,
                    const QString& switches = u"-s -d2 -z"_s, const RunStop* stop = nullptr)
    {
        MakeDiff makeDiff(tool, dialogs, prompter, [this](const QString& text) { log += text; }, [](const QString&) {}, stop);
        makeDiff.setReportSink(reportSink);
        return makeDiff.run({source, compare, destination, switches, zip});
    }

    QTemporaryDir app;
    const QString toolPath = putRealTool(app);
    QTemporaryDir out;
    DiffTool tool{app.path()};
    ScriptedDatDialogs dialogs;
    ScriptedPrompter prompter;
    QString destination = out.filePath(u"new.dat"_s);
    QString log;
    MakeDiff::ReportSink reportSink;
    DatHeader header{.name = u"Demo diff"_s, .description = u"Demo 1.0 to 1.1"_s, .version = u"1.1"_s};
};

}  // namespace

TEST_F(MakeDiffTest, WritesTheToolsOwnResultForEverySwitchOrZipsItBesideTheDat)
{
    writeFile(destination, "an older result, overwritten without a question");
    for (const QString& switches : {u"-s -d2 -z"_s, u"-m -d2 -r"_s, u"-n -d3 -z"_s, u"-s -d4 -b"_s, u"-m -d1 -z -b"_s}) {
        SCOPED_TRACE(switches.toStdString());
        dialogs.saveNext(std::nullopt);
        ASSERT_EQ(run(oldDat, newDat, false, switches), DiffOutcome::Created);
        EXPECT_EQ(readAll(destination), setdeltaAlone(switches, oldDat, newDat));
    }
    EXPECT_TRUE(log.contains(u"Wrote setdelta.dat"_s)) << log.toStdString();

    writeFile(destination, "the user's own new.dat");
    dialogs.saveNext(header);
    std::optional<std::pair<bool, bool>> headerAndZip;
    reportSink = [&](const DiffReports& reports) { headerAndZip = {reports.withHeader, reports.zipped}; };
    ASSERT_EQ(run(oldDat, newDat, true), DiffOutcome::Created);
    EXPECT_EQ(headerAndZip, std::make_pair(true, true)) << "the results window tells what was written";
    EXPECT_EQ(readAll(destination), "the user's own new.dat") << "a zipped result leaves a DAT of the same name alone";
    const QString archive = out.filePath(u"new.zip"_s);
    EXPECT_EQ(ListZip(archive)->size(), 1);
    ASSERT_TRUE(ExtractZipEntry(archive, u"new.dat"_s, out.filePath(u"check.tmp"_s)));
    EXPECT_TRUE(readAll(out.filePath(u"check.tmp"_s))
                    .endsWith(QByteArray(")\r\n\r\n" + setdeltaAlone(u"-s -d2 -z"_s, oldDat, newDat) + "\r\n")));
    EXPECT_EQ(prompter.texts(), QStringList(5, destination + u" succesfully created!"_s) << archive + u" succesfully created!"_s);
    EXPECT_EQ(QDir(app.filePath(u"sdelta"_s)).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
              QStringList{u"setdelta"_s}) << "nothing is written into the application folder";
}

TEST_F(MakeDiffTest, XmlDatafilesGetTheSavedHeaderInFrontOfTheToolsResult)
{
    const QString older = QStringLiteral(SHARED_DATS_DIR "/fbneo_0.2.97.44_neogeo.dat");
    const QString newer = QStringLiteral(SHARED_DATS_DIR "/fbneo_1.0.0.03_neogeo.dat");
    if (!QFileInfo::exists(older) || !QFileInfo::exists(newer))
        GTEST_SKIP() << "the real DATs of " SHARED_DATS_DIR " are missing";
    dialogs.saveNext(header);
    ASSERT_EQ(run(older, newer), DiffOutcome::Created);
    const QByteArray written = readAll(destination);
    EXPECT_TRUE(written.startsWith("clrmamepro (\r\n\tname \"Demo diff\"\r\n"));
    EXPECT_TRUE(written.endsWith(QByteArray(")\r\n\r\n" + setdeltaAlone(u"-s -d2 -z"_s, older, newer) + "\r\n")))
        << "header, CR LF, the tool's DAT, CR LF";
    EXPECT_TRUE(dialogs.madeFiles().isEmpty()) << "the header is a value, not a file";
}

// The user picks the entry; the tool reads it inside the archive, and no DAT or header file is
// made in the temporary folder.
TEST_F(MakeDiffTest, AZippedInputIsReadInPlaceAsChosenOrItsCancelAborts)
{
    DiffResults results;
    bool loadedReport = false;
    bool withHeader = false;
    reportSink = [&](const DiffReports& reports) {
        withHeader = reports.withHeader;
        Result<DiffResults> loaded = LoadDiffResults(reports.json, reports.readable);
        loadedReport = loaded.ok();
        if (loadedReport)
            results = std::move(*loaded);
    };
    // Quillon's own folder, where a DAT taken out of a zip or a header file would go.
    const auto ownFiles = [] {
        return QDir(GetTempFolder()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    };
    const QStringList ownFilesBefore = ownFiles();
    dialogs.pickNext(u"quillon_demo_1.1.dat"_s);
    dialogs.saveNext(header);
    ASSERT_EQ(run(oldDat, newZip, true), DiffOutcome::Created);
    ASSERT_TRUE(ExtractZipEntry(out.filePath(u"new.zip"_s), u"new.dat"_s, out.filePath(u"check.dat"_s)));
    EXPECT_TRUE(readAll(out.filePath(u"check.dat"_s)).endsWith(QByteArray(setdeltaAlone(u"-s -d2 -z"_s, oldDat, newDat) + "\r\n")));
    EXPECT_EQ(ownFiles(), ownFilesBefore);
    EXPECT_TRUE(dialogs.madeFiles().isEmpty()) << "nothing was taken out";
    EXPECT_TRUE(log.contains(newZip + u" (entry quillon_demo_1.1.dat)"_s)) << log.toStdString();
    EXPECT_TRUE(loadedReport) << "the run's report is there until its hearer returns";
    EXPECT_EQ(results.newInput.file, newZip);
    EXPECT_EQ(results.newInput.entry, u"quillon_demo_1.1.dat"_s) << "the report names archive and entry";
    EXPECT_TRUE(withHeader);

    log.clear();
    dialogs.pickNext(u"quillon_demo_1.1.dat"_s);
    dialogs.pickNext(QString());
    EXPECT_EQ(run(newZip, newZip), DiffOutcome::Aborted) << "a cancelled choice aborts before the tool";
    EXPECT_EQ(dialogs.selectTitles().mid(1), (QStringList{u"Select the source dat..."_s, u"Select the dat to compare with..."_s}));
    EXPECT_EQ(prompter.texts().last(), u"Operation aborted."_s);
    EXPECT_TRUE(log.isEmpty()) << "the tool did not run";
}

TEST_F(MakeDiffTest, FailuresGiveTheToolsOrTheSystemsReasonAndWriteNothing)
{
    writeFile(destination, "kept");
    const QString png = out.filePath(u"picture.dat"_s);
    writeFile(png, QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
    const QString broken = out.filePath(u"broken.dat"_s);
    writeFile(broken, "game ( name x");
    // A result of some earlier run in the application's own folder must not pass for this one.
    writeFile(app.filePath(u"sdelta/setdelta.dat"_s), "stale result");

    qsizetype told = 0;
    for (const QString& input : {png, broken, out.filePath(u"missing.dat"_s)}) {
        SCOPED_TRACE(input.toStdString());
        EXPECT_EQ(run(oldDat, input, false, u"-s -d2"_s), DiffOutcome::Failed);
        ASSERT_EQ(prompter.messages().size(), ++told);
        const QString text = prompter.texts().last();
        EXPECT_TRUE(text.startsWith(failedText + u"\n\nsetdelta: error: "_s + input)) << text.toStdString();
        EXPECT_EQ(text.count(u'\n'), 2) << "the tool's one error line";
    }
    EXPECT_TRUE(dialogs.headerRequests().isEmpty()) << "no header editor for a result that does not exist";

    const QString kept = std::exchange(destination, out.filePath(u"no such folder/new.dat"_s));
    dialogs.saveNext(std::nullopt);
    EXPECT_EQ(run(oldDat, newDat), DiffOutcome::Failed);
    EXPECT_EQ(prompter.texts().last(),
              u"The diff Dat could not be written!\n\n"_s + out.filePath(u"no such folder"_s) + u": No such file or directory"_s)
        << "an unwritable destination is not blamed on the tool";

    destination = kept;
    QFile::remove(toolPath);
    EXPECT_EQ(run(oldDat, newDat), DiffOutcome::Failed);
    EXPECT_EQ(prompter.texts().mid(4), (QStringList{u"CreateProcess failed. Error: 2"_s, failedText +
                                                    u"\n\nsetdelta could not be started: No such file or directory"_s}));
    EXPECT_EQ(readAll(destination), "kept");
    EXPECT_EQ(QDir(out.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size(), 3) << "nothing new beside the inputs";
}

// On a disk that fills, the user is told why and keeps the old file.
TEST_F(MakeDiffTest, AFullDiskLeavesTheDestinationAsItWas)
{
    writeFile(destination, "the user's older diff");
    // No room for the tool's DAT: the tool is to blame. Room for it but not for the header in
    // front of it: the destination is.
    const std::pair<qint64, QString> cases[] = {
        {300, failedText + u"\n\nsetdelta: error: "_s},
        {setdeltaAlone(u"-s -d1"_s, oldDat, newDat).size() + 8, u"The diff Dat could not be written!\n\n"_s + destination}};
    for (const auto& [limit, blamed] : cases) {
        const ChildOutcome full = RunUnderFileSizeLimit(limit, [&] {
            dialogs.saveNext(header);
            return run(oldDat, newDat, false, u"-s -d1"_s) == DiffOutcome::Created
                       ? Outcome::success() : Outcome::failure(prompter.texts().join(u'|'));
        });
        ASSERT_TRUE(full.finished);
        EXPECT_FALSE(full.ok);
        EXPECT_TRUE(full.reason.startsWith(blamed)) << full.reason.toStdString();
        EXPECT_TRUE(full.reason.contains(u"File too large"_s)) << full.reason.toStdString();
    }

    EXPECT_EQ(readAll(destination), "the user's older diff");
    EXPECT_EQ(QDir(out.path()).entryList(QDir::Files | QDir::Hidden), QStringList{u"new.dat"_s});
}

// The user learns of a folder that takes no files before typing a header, not after.
TEST_F(MakeDiffTest, ADestinationFolderThatCannotBeWrittenIsToldBeforeTheToolAndTheHeaderEditor)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root writes into any folder; the unprivileged run of this test tries it";
    const QString locked = out.filePath(u"locked"_s);
    QDir().mkpath(locked);
    QFile::setPermissions(locked, QFile::ReadOwner | QFile::ExeOwner);
    destination = locked + u"/new.dat"_s;
    dialogs.saveNext(header);
    EXPECT_EQ(run(oldDat, newDat), DiffOutcome::Failed);
    EXPECT_EQ(prompter.texts(), QStringList{u"The diff Dat could not be written!\n\n"_s + locked + u": Permission denied"_s});
    EXPECT_TRUE(dialogs.headerRequests().isEmpty());
    EXPECT_TRUE(log.isEmpty()) << "the tool did not run";
}

TEST_F(MakeDiffTest, ADestinationThatIsAnInputIsRefusedBeforeTheToolRuns)
{
    const QString source = out.filePath(u"old.dat"_s);
    QFile::copy(oldDat, source);
    QFile::link(source, out.filePath(u"link.dat"_s));
    const QString archive = out.filePath(u"new.zip"_s);
    QFile::copy(newZip, archive);
    QDir(out.path()).mkdir(u"sub"_s);

    // The zipped result goes to new.zip beside new.dat.
    const std::pair<QString, bool> refusals[] = {{source, false}, {out.filePath(u"sub/../old.dat"_s), false},
                                                 {out.filePath(u"link.dat"_s), false}, {out.filePath(u"new.dat"_s), true}};
    for (const auto& [target, zip] : refusals) {
        SCOPED_TRACE(target.toStdString());
        destination = target;
        EXPECT_EQ(run(source, zip ? archive : newDat, zip, u"-s"_s), DiffOutcome::Refused);
        ASSERT_FALSE(prompter.messages().isEmpty());
        EXPECT_TRUE(prompter.texts().last().startsWith(u"The destination is one of the Dats to compare:"_s));
    }
    EXPECT_EQ(prompter.messages().size(), 4);
    EXPECT_TRUE(log.isEmpty()) << "the tool never ran";
    EXPECT_EQ(readAll(source), readAll(oldDat));
    EXPECT_EQ(readAll(archive), readAll(newZip));
    EXPECT_TRUE(dialogs.selectTitles().isEmpty());
}

TEST_F(MakeDiffTest, AStoppedRunWritesNothingAndLeavesNoTemporaryFile)
{
    QFile::remove(toolPath);
    writeFile(toolPath, "#!/bin/sh\necho comparing\nexec sleep 30\n", QFile::ReadOwner | QFile::ExeOwner);
    writeFile(destination, "kept");
    dialogs.pickNext(u"quillon_demo_1.1.dat"_s);
    RunStop stop;
    QTimer::singleShot(500, &stop, &RunStop::request);

    EXPECT_EQ(run(oldDat, newZip, false, u"-s"_s, &stop), DiffOutcome::Cancelled);
    EXPECT_EQ(log, u"comparing\n"_s);
    EXPECT_EQ(readAll(destination), "kept");
    EXPECT_TRUE(prompter.messages().isEmpty());
    EXPECT_TRUE(dialogs.headerRequests().isEmpty());
}
