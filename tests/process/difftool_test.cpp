#include "difftool.h"

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

    const Command command = tool.command(QStringLiteral(" -s  -d2 -o disk -z "),
                                         QStringLiteral("/my dats/old set.dat"),
                                         QStringLiteral("/tmp/dat1234.tmp"));

    EXPECT_EQ(command.program, QStringLiteral("/app/sdelta/setdelta"));
    EXPECT_EQ(command.workingFolder, QStringLiteral("/app/sdelta"));
    EXPECT_EQ(command.arguments,
              QStringList({"-s", "-d2", "-o", "disk", "-z", "/my dats/old set.dat", "/tmp/dat1234.tmp"}));
    EXPECT_EQ(tool.command(QString(), QStringLiteral("a.dat"), QStringLiteral("b.dat")).arguments,
              QStringList({"a.dat", "b.dat"}));
}

class DiffToolRunTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QDir().mkpath(tool.folder());
        writeFile(tool.resultDat(), "stale result");
        writeFile(tool.reportLog(), "stale report");
    }

    void installTool(const QByteArray& script) { writeFile(tool.program(), script, executable); }

    QTemporaryDir temp;
    DiffTool tool{temp.filePath(QStringLiteral("app folder"))};
    RecordedLog log;
    ScriptedPrompter prompter;
};

TEST_F(DiffToolRunTest, RunsInItsFolderAfterDeletingOldOutputs)
{
    installTool("#!/bin/sh\n"
                "ls setdelta.dat setdelta.log 2>/dev/null\n"
                "echo \"$PWD\"; for a in \"$@\"; do echo \"[$a]\"; done\n"
                "echo differences > setdelta.dat\n");

    const RunResult result = tool.run(QStringLiteral("-m -d1 -o sample"),
                                      QStringLiteral("/my dats/old.dat"),
                                      QStringLiteral("/my dats/new.xml"), log.sink(), prompter);

    const QString expected = tool.folder()
        + QStringLiteral("\n[-m]\n[-d1]\n[-o]\n[sample]\n[/my dats/old.dat]\n[/my dats/new.xml]\n");
    EXPECT_TRUE(result.started);
    EXPECT_EQ(log.text(), expected);
    EXPECT_EQ(readAll(CaptureFilePath()), expected.toUtf8());
    EXPECT_EQ(readAll(tool.resultDat()), QByteArray("differences\n"));
    EXPECT_FALSE(QFile::exists(tool.reportLog()));
}

TEST_F(DiffToolRunTest, MissingToolIsReportedAndOldOutputsAreGone)
{
    const RunResult result = tool.run(QStringLiteral("-s"), QStringLiteral("a.dat"),
                                      QStringLiteral("b.dat"), log.sink(), prompter);

    EXPECT_FALSE(result.started);
    EXPECT_EQ(prompter.texts(), QStringList{QStringLiteral("CreateProcess failed. Error: 2")});
    EXPECT_FALSE(QFile::exists(tool.resultDat()));
    EXPECT_FALSE(QFile::exists(tool.reportLog()));
}

}  // namespace
}  // namespace quillon
