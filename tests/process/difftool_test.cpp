#include "difftool.h"

#include "runfolder.h"
#include "runhelpers.h"
#include "scriptedprompter.h"

#include <QDir>
#include <QProcess>
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

    void installTool(const QByteArray& script) { writeFile(tool.program(), "#!/bin/sh\n" + script, executable); }

    ToolRun run(const ToolInput& compare = {u"/tmp/dat1234.tmp"_s, {}, {}})
    {
        return tool.run({u" -m  -d1 "_s, {u"/my dats/old.dat"_s, {}, {}}, compare, folder->path()},
                        log.sink(), prompter);
    }

    QTemporaryDir temp;
    DiffTool tool{temp.filePath(u"app folder"_s)};
    QString whyNot;
    std::unique_ptr<RunFolder> folder = RunFolder::create(whyNot);
    RecordedLog log;
    ScriptedPrompter prompter;
};

TEST_F(DiffToolRunTest, RunsInTheRunFolderWithEachPathWholeAndLeavesTheApplicationFolderAlone)
{
    installTool("echo \"$PWD\"; for a in \"$@\"; do echo \"[$a]\"; done\n"
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
    installTool("printf 'reading %s\\n' \"$4\"\n"
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
        {"echo partial > setdelta.dat\nexit 3\n", u"setdelta ended with exit status 3."_s},
        {"exit 0\n", u"setdelta left no setdelta.dat."_s},
        {"kill -9 $$\n", u"setdelta ended abnormally."_s},
        {"echo 'setdelta: unknown switch -q' >&2\necho >&2\necho 'Usage: setdelta' >&2\nexit 1\n",
         u"setdelta: unknown switch -q"_s},
    };
    for (const auto& [script, reason] : cases) {
        installTool(script);
        EXPECT_EQ(ToolFailureReason(run(), *folder), reason) << script.toStdString();
        QFile::remove(folder->datFile());
    }
}

TEST(RunFolder, IsPrivateToItsRunAndGoesWithIt)
{
    QString whyNot;
    QString first;
    {
        const std::unique_ptr<RunFolder> one = RunFolder::create(whyNot);
        const std::unique_ptr<RunFolder> two = RunFolder::create(whyNot);
        ASSERT_TRUE(one && two) << whyNot.toStdString();
        first = one->path();
        EXPECT_TRUE(first.startsWith(RunFoldersRoot() + u"/run-"_s));
        EXPECT_NE(first, two->path());
        EXPECT_EQ(QFileInfo(first).permissions() & (QFile::ReadOther | QFile::WriteOther), 0);
        writeFile(one->datFile(), "result");
        QDir(first).mkdir(u"left by the tool"_s);
    }
    EXPECT_FALSE(QFileInfo::exists(first));
    EXPECT_TRUE(QDir(RunFoldersRoot()).entryList({u"run-*"_s}, QDir::Dirs | QDir::Hidden).isEmpty());
}

TEST(RunFolder, CannotBeMadeWhereTheCacheIsAFileAndSaysWhy)
{
    const QByteArray saved = qgetenv("XDG_CACHE_HOME");
    const QString blocked = QString::fromLocal8Bit(saved) + u"/blocked"_s;
    QDir().mkpath(QString::fromLocal8Bit(saved));
    writeFile(blocked, "a file where a folder should be");
    qputenv("XDG_CACHE_HOME", blocked.toLocal8Bit());
    QString whyNot;
    EXPECT_EQ(RunFolder::create(whyNot), nullptr);
    EXPECT_TRUE(whyNot.startsWith(u"Cannot create the folder "_s + blocked + u"/Quillon: "_s)) << whyNot.toStdString();
    qputenv("XDG_CACHE_HOME", saved);
    QFile::remove(blocked);
}

TEST(RemoveLeftoverRunFolders, RemovesOnlyFoldersNoRunningInstanceOwns)
{
    QString whyNot;
    const std::unique_ptr<RunFolder> ours = RunFolder::create(whyNot);
    ASSERT_TRUE(ours) << whyNot.toStdString();
    const QString root = RunFoldersRoot();
    const QString leftover = root + u"/run-killed"_s;
    QDir().mkpath(leftover + u"/deeper"_s);
    writeFile(leftover + u"/setdelta.dat"_s, "from a killed run");
    const QString notOurs = root + u"/keep-me"_s;
    QDir().mkpath(notOurs);
    // Another process owns this one for as long as it sleeps.
    const QString othersFolder = root + u"/run-other"_s;
    QDir().mkpath(othersFolder);
    QProcess other;
    other.start(u"flock"_s, {u"-o"_s, othersFolder, u"-c"_s, u"echo locked; exec sleep 20"_s});
    ASSERT_TRUE(other.waitForReadyRead(10000));

    RemoveLeftoverRunFolders();

    EXPECT_FALSE(QFileInfo::exists(leftover));
    EXPECT_TRUE(QFileInfo::exists(ours->path()));
    EXPECT_TRUE(QFileInfo::exists(othersFolder));
    EXPECT_TRUE(QFileInfo::exists(notOurs));
    other.kill();
    other.waitForFinished();
    RemoveLeftoverRunFolders();
    EXPECT_FALSE(QFileInfo::exists(othersFolder));
    EXPECT_TRUE(QFileInfo::exists(ours->path()));
    QDir(notOurs).removeRecursively();
}

}  // namespace quillon
