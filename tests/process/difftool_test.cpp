#include "difftool.h"

#include "runfolder.h"
#include "runhelpers.h"
#include "scriptedprompter.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace quillon {

using namespace Qt::Literals::StringLiterals;
using namespace testing;

class DiffToolRunTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QDir().mkpath(tool.folder());
        ASSERT_TRUE(folder) << whyNot.toStdString();
    }

    void installTool(const QByteArray& script) { testing::writeFile(tool.program(), script, executable); }

    ToolRun run(const ToolInput& compare = {u"/tmp/dat1234.tmp"_s, {}, {}})
    {
        return tool.run({u" -m  -d1 "_s, {u"/my dats/old.dat"_s, {}, {}}, compare, folder->path()},
                        log.sink(), prompter);
    }

    QTemporaryDir temp;
    DiffTool tool{temp.filePath(u"app folder"_s)};
    QString whyNot;
    std::unique_ptr<RunFolder> folder = RunFolder::create(whyNot);
    testing::RecordedLog log;
    testing::ScriptedPrompter prompter;
};

TEST_F(DiffToolRunTest, RunsInTheRunFolderWithEachPathWholeAndLeavesTheApplicationFolderAlone)
{
    installTool("#!/bin/sh\n"
                "echo \"$PWD\"; for a in \"$@\"; do echo \"[$a]\"; done\n"
                "echo differences > setdelta.dat\n");

    const ToolRun done = run();

    const QString expected = folder->path() + u"\n[-m]\n[-d1]\n[/my dats/old.dat]\n[/tmp/dat1234.tmp]\n"_s;
    EXPECT_EQ(log.text(), expected);
    EXPECT_EQ(readAll(CaptureFilePath()), expected.toUtf8());
    EXPECT_EQ(readAll(folder->datFile()), "differences\n");
    EXPECT_EQ(ToolFailureReason(done, *folder), QString());
    EXPECT_EQ(QDir(tool.folder()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList{u"setdelta"_s});
}

TEST_F(DiffToolRunTest, LogNamesATakenOutInputByItsArchiveAndEntry)
{
    installTool("#!/bin/sh\nprintf 'reading %s\\n' \"$4\"\n"
                "echo \"setdelta: warning: $4:3: odd quoting\" >&2\n"
                "echo \"setdelta: error: $4:7: unexpected end of file\" >&2\nexit 2\n");

    const ToolRun done = run({u"/tmp/dat1234.tmp"_s, u"/dats/new.zip"_s, u"sub/new.dat"_s});

    EXPECT_EQ(log.text(), u"reading /dats/new.zip (sub/new.dat)\n"
                          "setdelta: warning: /dats/new.zip (sub/new.dat):3: odd quoting\n"
                          "setdelta: error: /dats/new.zip (sub/new.dat):7: unexpected end of file\n"_s);
    EXPECT_EQ(done.errorLine, u"setdelta: error: /dats/new.zip (sub/new.dat):7: unexpected end of file"_s);
    EXPECT_EQ(ToolFailureReason(done, *folder), done.errorLine);
}

TEST_F(DiffToolRunTest, FailureReasonsWithoutAnErrorLine)
{
    const QList<std::pair<QByteArray, QString>> cases = {
        {"#!/bin/sh\necho partial > setdelta.dat\nexit 3\n", u"setdelta ended with exit status 3."_s},
        {"#!/bin/sh\nexit 0\n", u"setdelta left no setdelta.dat."_s},
        {"#!/bin/sh\nkill -9 $$\n", u"setdelta ended abnormally."_s},
        {"#!/bin/sh\necho 'setdelta: unknown switch -q' >&2\necho >&2\necho 'Usage: setdelta' >&2\nexit 1\n",
         u"setdelta: unknown switch -q"_s},
        {{}, u"setdelta could not be started: No such file or directory"_s},
    };
    for (const auto& [script, reason] : cases) {
        if (script.isEmpty())
            QFile::remove(tool.program());
        else
            installTool(script);
        EXPECT_EQ(ToolFailureReason(run(), *folder), reason) << script.toStdString();
        QFile::remove(folder->datFile());
    }
}

}  // namespace quillon
