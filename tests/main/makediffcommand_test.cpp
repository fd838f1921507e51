// quillon --make-diff and --help, run as a script would run them: the real program, with no
// display, the real setdelta, real files.
#include "demodats.h"
#include "diffresults.h"
#include "makediffcommand.h"
#include "runfolder.h"
#include "settingsstore.h"
#include "switches.h"
#include "testfiles.h"
#include "ziparchive.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace quillon;
using namespace quillon::testing;

namespace {

constexpr int waitMs = 60000;
// The switches of a settings store that holds nothing yet.
const QString settingsSwitches = "-s -d2 -z";

struct CommandRun {
    int status = -1;
    QString out;
    QString err;
};

class MakeDiffCommand : public ::testing::Test {
protected:
    // Neither a display nor a platform plugin: the command must not need one.
    QProcessEnvironment environment() const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* variable : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(variable);
        environment.insert("XDG_CONFIG_HOME", home.filePath("config"));
        environment.insert("XDG_CACHE_HOME", home.filePath("cache"));
        environment.insert("XDG_STATE_HOME", home.filePath("state"));
        return environment;
    }

    void start(QProcess& process, const QStringList& arguments) const
    {
        process.setProcessEnvironment(environment());
        process.start(QUILLON_PATH, arguments);
    }

    CommandRun quillon(const QStringList& arguments) const
    {
        QProcess process;
        start(process, arguments);
        return finished(process);
    }

    static CommandRun finished(QProcess& process)
    {
        EXPECT_TRUE(process.waitForFinished(waitMs));
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }

    CommandRun makeDiff(const QStringList& arguments) const
    {
        return quillon(QStringList{"--make-diff"} + arguments);
    }

    // What setdelta writes when run by hand in a folder of its own.
    static QByteArray setdeltaAlone(const QString& switches, const QString& source, const QString& compare)
    {
        QTemporaryDir work;
        QProcess process;
        process.setWorkingDirectory(work.path());
        process.start(SETDELTA_PATH, switches.split(' ', Qt::SkipEmptyParts) << source << compare);
        EXPECT_TRUE(process.waitForFinished(waitMs));
        return readAll(work.filePath("setdelta.dat"));
    }

    QStringList runFoldersLeft() const
    {
        return QDir(home.filePath("cache/Quillon")).entryList({"run-*"}, QDir::Dirs);
    }

    // An archive holding both demo DATs.
    QString archiveOfTwo() const
    {
        const QString archive = out.filePath("both.zip");
        EXPECT_TRUE(AddToZip(archive, oldDat, "old/demo.dat"));
        EXPECT_TRUE(AddToZip(archive, newDat, "new/demo.dat"));
        return archive;
    }

    QTemporaryDir home;
    QTemporaryDir out;
    QString destination = out.filePath("diff");
};

TEST_F(MakeDiffCommand, WritesTheToolsOwnResultWithNoDisplay)
{
    const CommandRun run = makeDiff({oldDat, newDat, destination, "--switches", "-m -d1 -r"});

    EXPECT_EQ(run.status, exitCreated) << run.err.toStdString();
    EXPECT_EQ(run.out, destination + ".dat\n") << "exactly one line: the file written";
    EXPECT_EQ(readAll(destination + ".dat"), setdeltaAlone("-m -d1 -r", oldDat, newDat));
    EXPECT_TRUE(run.err.contains("Wrote setdelta.dat")) << "the tool's summary goes to the error stream";
    EXPECT_EQ(runFoldersLeft(), QStringList());
}

TEST_F(MakeDiffCommand, JsonKeepsTheToolsReport)
{
    const QString report = out.filePath("report.json");
    const CommandRun run = makeDiff({oldDat, newDat, destination, "--json", report});

    EXPECT_EQ(run.status, exitCreated) << run.err.toStdString();
    DiffResults results;
    ASSERT_TRUE(LoadDiffResults(report, {}, results).ok());
    EXPECT_EQ(results.sets.size(), 5u);

    const CommandRun blocked = makeDiff({oldDat, newDat, destination, "--json", out.filePath("none/report.json")});
    EXPECT_EQ(blocked.status, exitFailed);
    EXPECT_TRUE(blocked.err.contains("not the JSON report")) << blocked.err.toStdString();
}

TEST_F(MakeDiffCommand, SwitchesDefaultToTheSettings)
{
    QDir().mkpath(home.filePath("config/Quillon"));
    writeFile(home.filePath("config/Quillon/Quillon.ini"), "[Options]\nSetType=1\nDatType=0\n");
    const QString switches = BuildDiffSwitches(SettingsStore(home.filePath("config/Quillon/Quillon.ini")));
    ASSERT_TRUE(switches.startsWith("-m -d1")) << switches.toStdString();

    const CommandRun run = makeDiff({oldDat, newDat, destination + ".DAT"});

    EXPECT_EQ(run.status, exitCreated) << run.err.toStdString();
    EXPECT_EQ(run.out, destination + ".DAT\n");
    EXPECT_EQ(readAll(destination + ".DAT"), setdeltaAlone(switches, oldDat, newDat));
}

TEST_F(MakeDiffCommand, UsageErrors)
{
    const QList<QStringList> cases = {
        {},
        {oldDat, newDat},
        {oldDat, newDat, destination, "--frobnicate"},
        {oldDat, newDat, destination, "--switches"},
        {oldDat, newDat, destination, "--old-entry", "a.dat"},
        {oldDat, newDat, destination, "--header-from", out.filePath("missing.dat")},
    };
    for (const QStringList& arguments : cases) {
        const CommandRun run = makeDiff(arguments);
        EXPECT_EQ(run.status, exitUsage) << arguments.join(' ').toStdString();
        EXPECT_TRUE(run.out.isEmpty());
        EXPECT_TRUE(run.err.startsWith("quillon: ")) << run.err.toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(destination + ".dat"));
}

TEST_F(MakeDiffCommand, ArchiveWithSeveralDatsNeedsTheEntryNamed)
{
    const QString archive = archiveOfTwo();

    const CommandRun unnamed = makeDiff({archive, newZip, destination});
    EXPECT_EQ(unnamed.status, exitUsage);
    EXPECT_TRUE(unnamed.err.contains("several DAT entries")) << unnamed.err.toStdString();
    EXPECT_TRUE(unnamed.err.contains("--old-entry"));
    EXPECT_TRUE(unnamed.err.contains("  old/demo.dat\n  new/demo.dat")) << "it lists them";

    const CommandRun named = makeDiff({archive, newZip, destination, "--old-entry", "old/demo.dat"});
    EXPECT_EQ(named.status, exitCreated) << named.err.toStdString();
    EXPECT_EQ(readAll(destination + ".dat"), setdeltaAlone(settingsSwitches, oldDat, newDat));
    EXPECT_TRUE(named.err.contains(archive + " (old/demo.dat)")) << "the log names archive and entry";
    EXPECT_TRUE(named.err.contains(newZip + " (quillon_demo_1.1.dat)")) << "the only DAT entry is taken";

    EXPECT_EQ(makeDiff({archive, newZip, destination, "--old-entry", "none.dat"}).status, exitUsage);
}

TEST_F(MakeDiffCommand, HeaderFromADatComesFirst)
{
    const CommandRun run = makeDiff({oldDat, newDat, destination, "--header-from", oldDat, "--switches", "-s"});

    ASSERT_EQ(run.status, exitCreated) << run.err.toStdString();
    const QByteArray written = readAll(destination + ".dat");
    EXPECT_TRUE(written.startsWith("clrmamepro (\r\n\tname \"Quillon Demo Arcade\"\r\n"
                                   "\tdescription \"Quillon Demo Arcade 1.0\"\r\n"))
        << written.left(200).toStdString();
    EXPECT_TRUE(written.endsWith(QByteArray(")\r\n\r\n" + setdeltaAlone("-s", oldDat, newDat) + "\r\n")));

    const QString headerless = out.filePath("headerless.dat");
    writeFile(headerless, "game (\n\tname x\n)\n");
    const CommandRun refused = makeDiff({oldDat, newDat, out.filePath("other"), "--header-from", headerless});
    EXPECT_EQ(refused.status, exitUsage);
    EXPECT_TRUE(refused.err.contains("has no header block")) << refused.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(out.filePath("other.dat")));

    const QString datafile = out.filePath("datafile.dat");
    writeFile(datafile, "<?xml version=\"1.0\"?>\r\n<datafile>\r\n\t<header>\r\n\t\t<name>Neo &amp; Co</name>\r\n"
                        "\t\t<description>Neo Geo 1.0</description>\r\n\t</header>\r\n</datafile>\r\n");
    const CommandRun fromXml = makeDiff({oldDat, newDat, out.filePath("xml"), "--header-from", datafile});
    ASSERT_EQ(fromXml.status, exitCreated) << fromXml.err.toStdString();
    EXPECT_TRUE(readAll(out.filePath("xml.dat")).startsWith("clrmamepro (\r\n\tname \"Neo & Co\"\r\n"
                                                          "\tdescription \"Neo Geo 1.0\"\r\n"))
        << "an XML DAT lends the values of its <header>";
}

TEST_F(MakeDiffCommand, ZipStoresTheResultInTheArchive)
{
    const CommandRun run = makeDiff({oldDat, newDat, destination, "--zip"});

    ASSERT_EQ(run.status, exitCreated) << run.err.toStdString();
    EXPECT_EQ(run.out, destination + ".zip\n");
    EXPECT_FALSE(QFileInfo::exists(destination + ".dat"));
    const QString extracted = out.filePath("check.tmp");
    ASSERT_TRUE(ExtractZipEntry(destination + ".zip", "diff.dat", extracted));
    EXPECT_EQ(readAll(extracted), setdeltaAlone(settingsSwitches, oldDat, newDat));
}

TEST_F(MakeDiffCommand, FailuresSayWhyOnTheErrorStream)
{
    const QString broken = out.filePath("broken.dat");
    writeFile(broken, "game ( name x");
    const CommandRun failed = makeDiff({oldDat, broken, destination});
    EXPECT_EQ(failed.status, exitFailed);
    EXPECT_TRUE(failed.out.isEmpty());
    EXPECT_TRUE(failed.err.contains("setdelta.exe has failed during creation!\n\nsetdelta: error: " + broken))
        << failed.err.toStdString();

    const CommandRun refused = makeDiff({oldDat, newDat, oldDat});
    EXPECT_EQ(refused.status, exitFailed);
    EXPECT_TRUE(refused.err.contains("The destination is one of the Dats to compare")) << refused.err.toStdString();
    EXPECT_EQ(readAll(oldDat).left(12), "clrmamepro (");
    EXPECT_FALSE(QFileInfo::exists(destination + ".dat"));
    EXPECT_EQ(runFoldersLeft(), QStringList());
}

TEST_F(MakeDiffCommand, TwoRunsAtTheSameTimeKeepTheirOutputsApart)
{
    QProcess forward;
    QProcess backward;
    start(forward, {"--make-diff", oldDat, newDat, out.filePath("forward"), "--switches", "-s -d1"});
    start(backward, {"--make-diff", newDat, oldDat, out.filePath("backward"), "--switches", "-s -d1"});

    EXPECT_EQ(finished(forward).status, exitCreated);
    EXPECT_EQ(finished(backward).status, exitCreated);
    EXPECT_EQ(readAll(out.filePath("forward.dat")), setdeltaAlone("-s -d1", oldDat, newDat));
    EXPECT_EQ(readAll(out.filePath("backward.dat")), setdeltaAlone("-s -d1", newDat, oldDat));
    EXPECT_NE(readAll(out.filePath("forward.dat")), readAll(out.filePath("backward.dat")));
}

TEST_F(MakeDiffCommand, AStartRemovesRunFoldersLeftByAKilledInstance)
{
    QDir().mkpath(home.filePath("cache/Quillon/run-killed"));
    writeFile(home.filePath("cache/Quillon/run-killed/setdelta.dat"), "left behind");

    EXPECT_EQ(quillon({"--help"}).status, 0);
    EXPECT_EQ(runFoldersLeft(), QStringList());
}

TEST_F(MakeDiffCommand, HelpListsIt)
{
    const CommandRun run = quillon({"--help"});
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(run.out.contains("quillon --make-diff OLD NEW DEST [--switches \"SWITCHES\"]"));
    EXPECT_EQ(run.out, HelpText());
}

}  // namespace
