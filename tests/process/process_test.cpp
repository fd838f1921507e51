#include "difftool.h"
#include "filesizelimit.h"
#include "logtext.h"
#include "processes.h"
#include "processrunner.h"
#include "runfolder.h"
#include "scriptedprompter.h"
#include "testfiles.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <csignal>

namespace quillon {

using namespace Qt::Literals::StringLiterals;
using namespace testing;

namespace {

// Everything a run handed to its log sink, piece by piece.
struct RecordedLog {
    QStringList pieces;

    LogSink sink() { return [this](const QString& text) { pieces.append(text); }; }
    QString text() const { return pieces.join(QString()); }
};

Command shellCommand(const QString& script) { return {.program = u"/bin/sh"_s, .arguments = {u"-c"_s, script}}; }

}  // namespace

class RunRedirectedTest : public ::testing::Test {
protected:
    RunResult run(const Command& command, const RunStop* stop = nullptr)
    {
        return RunRedirected(command, capture, log.sink(), prompter, stop);
    }
    void writeEarlierCapture()
    {
        QDir().mkpath(QFileInfo(capture).path());
        writeFile(capture, "output of an earlier run");
    }

    QTemporaryDir temp;
    QString capture = temp.filePath(u"state dir/Quillon/setdelta.log"_s);
    RecordedLog log;
    ScriptedPrompter prompter;
};

TEST_F(RunRedirectedTest, OutputArrivesExactlyAcrossChunksAndReplacesTheLastCapture)
{
    const QByteArray longOutput = QByteArray("  line \xc3\xa9t\xc3\xa9 \xe2\x82\xac  \t \n").repeated(5000);
    const QString source = temp.filePath(u"big.txt"_s);
    writeFile(source, longOutput);
    run({.program = u"cat"_s, .arguments = {source}});
    ASSERT_GT(log.pieces.size(), 1) << "the output should have come in several chunks";
    EXPECT_EQ(log.text(), QString::fromUtf8(longOutput));

    // The pauses let each printf arrive as a chunk of its own.
    log.pieces.clear();
    run(shellCommand(
        uR"(printf '  a  '; sleep 0.2; printf '\303'; sleep 0.2; printf '\251 \377 b\r'; sleep 0.2; printf '\n  ')"_s));
    EXPECT_EQ(log.text(), u"  a  \u00e9 \ufffd b\r\n  "_s);
    EXPECT_EQ(readAll(capture), QByteArray("  a  \xc3\xa9 \xff b\r\n  "));
}

TEST_F(RunRedirectedTest, PassesArgumentsAsTheyStandWithEmptyInputAndMergesErrorOutput)
{
    const QString script = u"for a; do echo \"[$a]\"; done; read line; echo \"read=$?\"; echo error >&2; exit 3"_s;
    // `timeout` only guards against a child left waiting on an open input pipe.
    const RunResult result = run({.program = u"timeout"_s,
                                  .arguments = {u"20"_s, u"sh"_s, u"-c"_s, script, u"sh"_s, u"/old dats/a b.dat"_s,
                                                QString(), u"\"quoted\""_s}});

    const QString expected = u"[/old dats/a b.dat]\n[]\n[\"quoted\"]\nread=1\nerror\n"_s;
    EXPECT_EQ(result.exitCode, 3);
    EXPECT_EQ(log.text(), expected);
    EXPECT_EQ(readAll(capture), expected.toUtf8());
}

TEST_F(RunRedirectedTest, StartFailureIsReportedWithTheErrorAndLeavesCaptureFileAlone)
{
    writeFile(temp.filePath(u"not-executable"_s), "#!/bin/sh\necho hi\n");
    writeEarlierCapture();
    const QList<std::pair<Command, QString>> cases = {
        {{.program = temp.filePath(u"missing/setdelta"_s)}, u"2"_s},
        {{.program = u"/bin/sh"_s, .workingFolder = temp.filePath(u"gone"_s)}, u"2"_s},
        {{.program = u"./not-executable"_s, .workingFolder = temp.path()}, u"13"_s},
    };
    for (const auto& [command, error] : cases) {
        ScriptedPrompter told;
        EXPECT_FALSE(RunRedirected(command, capture, log.sink(), told).started);
        EXPECT_EQ(told.messages(), QList{PromptMessage{.text = u"CreateProcess failed. Error: "_s + error}});
    }
    EXPECT_TRUE(log.pieces.isEmpty());
    EXPECT_EQ(readAll(capture), "output of an earlier run");
}

TEST_F(RunRedirectedTest, ReturnsWhenChildExitsThoughGrandchildHoldsOutputOpen)
{
    // The grandchild prints nothing more but keeps the pipe open for 30 s. Should the run not
    // return, the guard ends it (found through the pid the child prints) and the test fails.
    const auto endGrandchild = [this] {
        if (const int pid = log.text().section(u'\n', 0, 0).toInt(); pid > 0)
            ::kill(pid, SIGTERM);
    };
    bool guardFired = false;
    QObject guard;
    QTimer::singleShot(20'000, &guard, [&] {
        guardFired = true;
        endGrandchild();
    });

    const RunResult result = run(shellCommand(u"sleep 30 & echo $!; echo done"_s));

    EXPECT_FALSE(guardFired) << "the run waited for the grandchild";
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_TRUE(log.text().endsWith(u"\ndone\n"_s));
    endGrandchild();
}

TEST_F(RunRedirectedTest, CaptureThatDoesNotFitKeepsTheLastWholeOneAndSaysWhy)
{
    writeEarlierCapture();
    const QString big = temp.filePath(u"big.txt"_s);
    writeFile(big, QByteArray(64 * 1024, 'x'));

    const testing::ChildOutcome child = testing::RunUnderFileSizeLimit(32 * 1024, [&] {
        const QString error = run({.program = u"cat"_s, .arguments = {big}}).captureError;
        return error.isEmpty() ? Outcome::success() : Outcome::failure(error);
    });

    ASSERT_TRUE(child.finished);
    EXPECT_FALSE(child.ok);
    EXPECT_TRUE(child.reason.contains(u"File too large"_s)) << child.reason.toStdString();
    EXPECT_EQ(readAll(capture), "output of an earlier run");
    EXPECT_EQ(QDir(QFileInfo(capture).path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{u"setdelta.log"_s});
}

TEST_F(RunRedirectedTest, StopKillsAProgramThatIgnoresTheRequestToEndAndThenStartsNothing)
{
    RunStop stop;
    QTimer::singleShot(300, &stop, &RunStop::request);
    const RunResult result = run(shellCommand(u"trap '' TERM; echo started; exec sleep 30"_s), &stop);
    EXPECT_TRUE(result.started && result.stopped);
    EXPECT_EQ(result.exitCode, -1) << "killed, not ended after its 30 s";
    EXPECT_EQ(log.text(), u"started\n"_s);

    const QString marker = temp.filePath(u"ran"_s);
    const RunResult late = run(shellCommand(u"touch '"_s + marker + u'\''), &stop);
    EXPECT_TRUE(!late.started && late.stopped);
    EXPECT_FALSE(QFileInfo::exists(marker));
}

TEST_F(RunRedirectedTest, StopEndsWhatTheProgramStartedAndKillsWhatIgnoresTheRequest)
{
    // A wrapper that starts the real program and waits for it, as front-end scripts do; the
    // second child ignores the request to end. Each child prints its pid.
    const QString wrapper = u"sleep 600 & echo $!; sh -c \"trap '' TERM; exec sleep 600\" & echo $!; wait"_s;
    RunStop stop;
    QTimer::singleShot(500, &stop, &RunStop::request);
    const RunResult result = run(shellCommand(wrapper), &stop);
    EXPECT_TRUE(result.started && result.stopped);
    const QStringList pids = log.text().split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(pids.size(), 2) << log.text().toStdString();
    for (const QString& pid : pids)
        EXPECT_FALSE(ProcessRuns(pid.toInt())) << "child " << pid.toStdString() << " outlived the stop";
}

TEST(LogTextDecoder, ByteByByteGivesTheSameTextAsWhole)
{
    const QByteArray output = "\xef\xbb\xbf  caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x8e\xae\r\n  end \r";
    LogTextDecoder pieces;
    QString text;
    for (char byte : output)
        text += pieces.decode(QByteArray(1, byte));
    EXPECT_EQ(text + pieces.finish(), QString::fromUtf8(output));
}

class DiffToolRunTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QDir().mkpath(tool.folder());
        ASSERT_TRUE(folder) << created.reason().toStdString();
    }

    void installTool(const QByteArray& script)
    {
        writeFile(tool.program(), "#!/bin/sh\n" + script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    ToolRun run(const ToolInput& compare = {u"/tmp/dat1234.tmp"_s, {}})
    {
        return tool.run({u" -m  -d1 "_s, {u"/my dats/old.dat"_s, {}}, compare, folder->path()},
                        log.sink(), prompter);
    }

    QTemporaryDir temp;
    DiffTool tool{temp.filePath(u"app folder"_s)};
    const Result<std::unique_ptr<RunFolder>> created = RunFolder::create();
    RunFolder* const folder = created ? created->get() : nullptr;
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

// The tool reads an archive in place and names archive and entry itself; its words pass unchanged.
TEST_F(DiffToolRunTest, AnArchiveGoesToTheToolWithItsEntryAndTheLogIsTheToolsOwn)
{
    installTool("for a in \"$@\"; do echo \"[$a]\"; done\n"
                "echo \"setdelta: warning: $6 (entry $4):3: odd quoting\" >&2\n"
                "echo \"setdelta: error: $6 (entry $4):7: unexpected end of file\" >&2\nexit 2\n");

    const ToolRun done = run({u"/dats/new.zip"_s, u"sub/new.dat"_s});

    EXPECT_EQ(log.text(), u"[-m]\n[-d1]\n[--new-entry]\n[sub/new.dat]\n[/my dats/old.dat]\n[/dats/new.zip]\n"
                          "setdelta: warning: /dats/new.zip (entry sub/new.dat):3: odd quoting\n"
                          "setdelta: error: /dats/new.zip (entry sub/new.dat):7: unexpected end of file\n"_s);
    EXPECT_EQ(done.errorLine, u"setdelta: error: /dats/new.zip (entry sub/new.dat):7: unexpected end of file"_s);
    EXPECT_EQ(ToolFailureReason(done, *folder), done.errorLine);
}

// The exit status decides how the run ended; the tool's words are only shown.
TEST_F(DiffToolRunTest, TheExitStatusDecidesAndTheToolsFirstMessageSaysWhy)
{
    const QList<std::tuple<QByteArray, ToolEnd, QString>> cases = {
        {"echo partial > setdelta.dat\nexit 3\n", ToolEnd::Output, u"setdelta could not write its result (exit status 3)."_s},
        {"exit 2\n", ToolEnd::Input, u"setdelta could not read a DAT (exit status 2)."_s},
        {"exit 0\n", ToolEnd::NoResult, u"setdelta left no setdelta.dat."_s},
        {"exit 7\n", ToolEnd::Abnormal, u"setdelta ended with exit status 7."_s},
        {"kill -9 $$\n", ToolEnd::Abnormal, u"setdelta ended abnormally."_s},
        {"echo 'setdelta: unknown switch -q' >&2\necho >&2\necho 'Usage: setdelta' >&2\nexit 1\n", ToolEnd::Usage,
         u"setdelta: unknown switch -q"_s},
        {"echo 'setdelta: error: not this one' >&2\necho done > setdelta.dat\n", ToolEnd::Done, QString()},
    };
    for (const auto& [script, end, reason] : cases) {
        installTool(script);
        const ToolRun done = run();
        EXPECT_EQ(ToolEndOf(done, *folder), end) << script.toStdString();
        EXPECT_EQ(ToolFailureReason(done, *folder), reason) << script.toStdString();
        QFile::remove(folder->datFile());
    }
}

TEST(RunFolder, IsPrivateToItsRunAndGoesWithIt)
{
    QString first;
    {
        const Result<std::unique_ptr<RunFolder>> one = RunFolder::create();
        const Result<std::unique_ptr<RunFolder>> two = RunFolder::create();
        ASSERT_TRUE(one && two) << one.reason().toStdString() << two.reason().toStdString();
        first = (*one)->path();
        EXPECT_TRUE(first.startsWith(RunFoldersRoot() + u"/run-"_s));
        EXPECT_NE(first, (*two)->path());
        EXPECT_EQ(QFileInfo(first).permissions() & (QFile::ReadOther | QFile::WriteOther), 0);
        writeFile((*one)->datFile(), "result");
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
    const Result<std::unique_ptr<RunFolder>> refused = RunFolder::create();
    EXPECT_FALSE(refused);
    EXPECT_TRUE(refused.reason().startsWith(u"Cannot create the folder "_s + blocked + u"/Quillon: "_s))
        << refused.reason().toStdString();
    qputenv("XDG_CACHE_HOME", saved);
}

TEST(RemoveLeftoverRunFolders, RemovesOnlyFoldersNoRunningInstanceOwns)
{
    const Result<std::unique_ptr<RunFolder>> ours = RunFolder::create();
    ASSERT_TRUE(ours) << ours.reason().toStdString();
    const QString root = RunFoldersRoot();
    const QString leftover = root + u"/run-killed"_s, notOurs = root + u"/keep-me"_s, othersFolder = root + u"/run-other"_s;
    for (const QString& folder : QStringList{leftover + u"/deeper"_s, notOurs, othersFolder})
        QDir().mkpath(folder);
    writeFile(leftover + u"/setdelta.dat"_s, "from a killed run");
    // Another process owns this one for as long as it sleeps.
    QProcess other;
    other.start(u"flock"_s, {u"-o"_s, othersFolder, u"-c"_s, u"echo locked; exec sleep 20"_s});
    ASSERT_TRUE(other.waitForReadyRead(10000));

    RemoveLeftoverRunFolders();

    EXPECT_FALSE(QFileInfo::exists(leftover));
    EXPECT_TRUE(QFileInfo::exists((*ours)->path()));
    EXPECT_TRUE(QFileInfo::exists(othersFolder));
    EXPECT_TRUE(QFileInfo::exists(notOurs));
    other.kill();
    other.waitForFinished();
    RemoveLeftoverRunFolders();
    EXPECT_FALSE(QFileInfo::exists(othersFolder));
    EXPECT_TRUE(QFileInfo::exists((*ours)->path()));
}

}  // namespace quillon
