#include "difftool.h"

#include "runfolder.h"
#include "runhelpers.h"
#include "scriptedprompter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace quillon {
namespace {

using testing::RecordedLog;
using testing::ScriptedPrompter;
using testing::executable;
using testing::readAll;
using testing::writeFile;

TEST(DiffTool, CommandSplitsSwitchesAndKeepsEachPathWhole)
{
    const DiffTool tool(QStringLiteral("/app"));

    const Command command = tool.command({.switches = QStringLiteral(" -s  -d2 -o disk -z "),
                                          .source = {QStringLiteral("/my dats/old set.dat"), {}},
                                          .compare = {QStringLiteral("/tmp/dat1234.tmp"), {}},
                                          .workingFolder = QStringLiteral("/run")});

    EXPECT_EQ(command.program, QStringLiteral("/app/sdelta/setdelta"));
    EXPECT_EQ(command.workingFolder, QStringLiteral("/run"));
    EXPECT_EQ(command.arguments,
              QStringList({"-s", "-d2", "-o", "disk", "-z", "/my dats/old set.dat", "/tmp/dat1234.tmp"}));
}

class DiffToolRunTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QDir().mkpath(tool.folder());
        ASSERT_TRUE(folder) << whyNot.toStdString();
    }

    void installTool(const QByteArray& script) { writeFile(tool.program(), script, executable); }

    ToolRun run(const ToolInput& source = {QStringLiteral("/my dats/old.dat"), {}, {}},
                const ToolInput& compare = {QStringLiteral("/tmp/dat1234.tmp"), {}, {}})
    {
        return tool.run({QStringLiteral("-m -d1"), source, compare, folder->path()}, log.sink(), prompter);
    }

    QTemporaryDir temp;
    DiffTool tool{temp.filePath(QStringLiteral("app folder"))};
    QString whyNot;
    std::unique_ptr<RunFolder> folder = RunFolder::create(whyNot);
    RecordedLog log;
    ScriptedPrompter prompter;
};

TEST_F(DiffToolRunTest, RunsInTheRunFolderAndLeavesTheApplicationFolderAlone)
{
    installTool("#!/bin/sh\n"
                "echo \"$PWD\"; for a in \"$@\"; do echo \"[$a]\"; done\n"
                "echo differences > setdelta.dat\n");

    const ToolRun done = run();

    const QString expected = folder->path() + "\n[-m]\n[-d1]\n[/my dats/old.dat]\n[/tmp/dat1234.tmp]\n";
    EXPECT_EQ(log.text(), expected);
    EXPECT_EQ(readAll(CaptureFilePath()), expected.toUtf8());
    EXPECT_EQ(readAll(folder->datFile()), "differences\n");
    EXPECT_EQ(ToolFailureReason(done, *folder), QString());
    EXPECT_EQ(QDir(tool.folder()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList{"setdelta"});
}

TEST_F(DiffToolRunTest, LogNamesATakenOutInputByItsArchiveAndEntry)
{
    installTool("#!/bin/sh\nprintf 'reading %s\\n' \"$4\"\n"
                "echo \"setdelta: warning: $4:3: odd quoting\" >&2\n"
                "echo \"setdelta: error: $4:7: unexpected end of file\" >&2\nexit 2\n");

    const ToolRun done = run({QStringLiteral("/dats/old.dat"), {}, {}},
                             {QStringLiteral("/tmp/dat1234.tmp"), QStringLiteral("/dats/new.zip"), QStringLiteral("sub/new.dat")});

    EXPECT_EQ(log.text(), "reading /dats/new.zip (sub/new.dat)\n"
                          "setdelta: warning: /dats/new.zip (sub/new.dat):3: odd quoting\n"
                          "setdelta: error: /dats/new.zip (sub/new.dat):7: unexpected end of file\n");
    EXPECT_EQ(done.errorLine, "setdelta: error: /dats/new.zip (sub/new.dat):7: unexpected end of file");
    EXPECT_EQ(ToolFailureReason(done, *folder), done.errorLine);
}

TEST_F(DiffToolRunTest, FailureReasonsWithoutAnErrorLine)
{
    const QList<std::pair<QByteArray, QString>> cases = {
        {"#!/bin/sh\necho partial > setdelta.dat\nexit 3\n", "setdelta ended with exit status 3."},
        {"#!/bin/sh\nexit 0\n", "setdelta left no setdelta.dat."},
        {"#!/bin/sh\nkill -9 $$\n", "setdelta ended abnormally."},
        {"#!/bin/sh\necho 'setdelta: unknown switch -q' >&2\necho >&2\necho 'Usage: setdelta' >&2\nexit 1\n",
         "setdelta: unknown switch -q"},
    };
    for (const auto& [script, reason] : cases) {
        installTool(script);
        EXPECT_EQ(ToolFailureReason(run(), *folder), reason) << script.toStdString();
        QFile::remove(folder->datFile());
    }
}

TEST_F(DiffToolRunTest, StartFailureGivesTheSystemsReason)
{
    const ToolRun done = run();

    EXPECT_FALSE(done.result.started);
    EXPECT_EQ(prompter.texts(), QStringList{QStringLiteral("CreateProcess failed. Error: 2")});
    EXPECT_EQ(ToolFailureReason(done, *folder), "setdelta could not be started: No such file or directory");
}

}  // namespace
}  // namespace quillon
