#include "processrunner.h"

#include "filesizelimit.h"
#include "runhelpers.h"
#include "scriptedprompter.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <csignal>

namespace quillon {
namespace {

using testing::RecordedLog;
using testing::ScriptedPrompter;
using testing::executable;
using testing::readAll;
using testing::shellCommand;
using testing::writeFile;

class RunRedirectedTest : public ::testing::Test {
protected:
    RunResult run(const Command& command)
    {
        return RunRedirected(command, capture, log.sink(), prompter);
    }

    QTemporaryDir temp;
    QString capture = temp.filePath(QStringLiteral("state/Quillon/setdelta.log"));
    RecordedLog log;
    ScriptedPrompter prompter;
};

TEST_F(RunRedirectedTest, SilentCommandLeavesPaneAndCaptureFileEmpty)
{
    QDir().mkpath(temp.filePath(QStringLiteral("state/Quillon")));
    writeFile(capture, "output of an earlier run");

    const RunResult result = run(shellCommand(QStringLiteral("exit 0")));

    EXPECT_TRUE(result.started);
    EXPECT_TRUE(log.pieces.isEmpty());
    EXPECT_EQ(readAll(capture), QByteArray());
    EXPECT_TRUE(prompter.messages().isEmpty());
}

TEST_F(RunRedirectedTest, ChildGetsEmptyStandardInput)
{
    // `timeout` only guards against a child left waiting on an open input pipe.
    const RunResult result = run({.program = QStringLiteral("timeout"),
                                  .arguments = {QStringLiteral("20"), QStringLiteral("/bin/sh"),
                                                QStringLiteral("-c"),
                                                QStringLiteral("read line; echo read=$?")}});

    EXPECT_EQ(log.text(), QStringLiteral("read=1\n"));
    EXPECT_EQ(result.exitCode, 0);
}

TEST_F(RunRedirectedTest, LongOutputArrivesWholeAndExactInPaneAndCaptureFile)
{
    QByteArray expected;
    for (int line = 0; expected.size() < 100 * 1024; ++line)
        expected += "  line " + QByteArray::number(line) + " \xc3\xa9t\xc3\xa9 \xe2\x82\xac  \t \n";
    const QString source = temp.filePath(QStringLiteral("big.txt"));
    writeFile(source, expected);

    run({.program = QStringLiteral("cat"), .arguments = {source}});

    ASSERT_GT(log.pieces.size(), 1) << "the output should have come in several chunks";
    EXPECT_EQ(readAll(capture), expected);
    EXPECT_EQ(log.text(), QString::fromUtf8(expected));
}

TEST_F(RunRedirectedTest, PaneShowsOutputExactlyAcrossChunkBoundaries)
{
    // The pauses let each printf arrive as a chunk of its own.
    run(shellCommand(QStringLiteral(
        R"(printf '  a  '; sleep 0.2; printf '\303'; sleep 0.2; printf '\251 \377 b\r'; sleep 0.2; printf '\n  ')")));

    EXPECT_EQ(log.text(), QStringLiteral("  a  \u00e9 \ufffd b\r\n  "));
    EXPECT_EQ(readAll(capture), QByteArray("  a  \xc3\xa9 \xff b\r\n  "));
}

TEST_F(RunRedirectedTest, SecondRunReplacesCaptureFile)
{
    run(shellCommand(QStringLiteral("printf '%2000s' long")));
    run(shellCommand(QStringLiteral("printf short")));

    EXPECT_EQ(readAll(capture), QByteArray("short"));
}

TEST_F(RunRedirectedTest, StartFailureIsReportedAndLeavesCaptureFileAlone)
{
    writeFile(temp.filePath(QStringLiteral("not-executable")), "#!/bin/sh\necho hi\n");
    QDir().mkpath(temp.filePath(QStringLiteral("state/Quillon")));
    writeFile(capture, "output of an earlier run");
    const QList<std::pair<Command, QString>> cases = {
        {{.program = temp.filePath(QStringLiteral("missing/setdelta"))}, QStringLiteral("2")},
        {{.program = QStringLiteral("/bin/sh"), .workingFolder = temp.filePath(QStringLiteral("gone"))},
         QStringLiteral("2")},
        {{.program = QStringLiteral("./not-executable"), .workingFolder = temp.path()}, QStringLiteral("13")},
    };

    for (const auto& [command, error] : cases) {
        ScriptedPrompter told;
        EXPECT_FALSE(RunRedirected(command, capture, log.sink(), told).started);
        EXPECT_EQ(told.messages(),
                  QList{PromptMessage{.text = QStringLiteral("CreateProcess failed. Error: ") + error}});
    }
    EXPECT_TRUE(log.pieces.isEmpty());
    EXPECT_EQ(readAll(capture), QByteArray("output of an earlier run"));
}

TEST_F(RunRedirectedTest, PassesArgumentsAsTheyStandAndMergesErrorOutput)
{
    const QString folder = temp.filePath(QStringLiteral("tool folder"));
    QDir().mkpath(folder);
    const QString program = folder + QStringLiteral("/list arguments");
    writeFile(program, "#!/bin/sh\npwd\nfor a in \"$@\"; do echo \"[$a]\"; done\necho error >&2\nexit 3\n", executable);
    capture = temp.filePath(QStringLiteral("state dir/Quillon/setdelta.log"));

    const RunResult result =
        run({.program = program,
             .arguments = {QStringLiteral("/old dats/a b.dat"), QString(), QStringLiteral("\"quoted\"")},
             .workingFolder = folder});

    const QString expected = folder + QStringLiteral("\n[/old dats/a b.dat]\n[]\n[\"quoted\"]\nerror\n");
    EXPECT_EQ(result.exitCode, 3);
    EXPECT_EQ(log.text(), expected);
    EXPECT_EQ(readAll(capture), expected.toUtf8());
}

TEST_F(RunRedirectedTest, ReturnsWhenChildExitsThoughGrandchildHoldsOutputOpen)
{
    // The grandchild prints nothing more but keeps the pipe open for 30 s. The guard only
    // ends it (found through the pid the child prints) should the run fail to return.
    const auto grandchildPid = [this] { return log.text().section(u'\n', 0, 0).toInt(); };
    bool guardFired = false;
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [&] {
        guardFired = true;
        ::kill(grandchildPid(), SIGTERM);
    });
    guard.start(20'000);

    const RunResult result = run(shellCommand(QStringLiteral("sleep 30 & echo $!; echo done")));

    EXPECT_FALSE(guardFired) << "the run waited for the grandchild";
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_TRUE(log.text().endsWith(QStringLiteral("\ndone\n")));
    if (grandchildPid() > 0 && !guardFired)
        ::kill(grandchildPid(), SIGTERM);
}

TEST_F(RunRedirectedTest, CaptureThatDoesNotFitKeepsTheLastWholeOneAndSaysWhy)
{
    QDir().mkpath(temp.filePath(QStringLiteral("state/Quillon")));
    writeFile(capture, "output of an earlier run");
    const QString big = temp.filePath(QStringLiteral("big.txt"));
    writeFile(big, QByteArray(64 * 1024, 'x'));

    const testing::ChildOutcome child = testing::RunUnderFileSizeLimit(32 * 1024, [&] {
        const RunResult result = RunRedirected({.program = QStringLiteral("cat"), .arguments = {big}},
                                               capture, log.sink(), prompter);
        return result.captureError.isEmpty() ? Outcome::success() : Outcome::failure(result.captureError);
    });

    ASSERT_TRUE(child.finished);
    EXPECT_FALSE(child.ok);
    EXPECT_TRUE(child.reason.contains(QStringLiteral("File too large"))) << child.reason.toStdString();
    EXPECT_EQ(readAll(capture), QByteArray("output of an earlier run"));
    EXPECT_EQ(QDir(temp.filePath(QStringLiteral("state/Quillon"))).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("setdelta.log")});
}

TEST_F(RunRedirectedTest, StopEndsTheProgramAndSaysSo)
{
    RunStop stop;
    QTimer::singleShot(300, &stop, &RunStop::request);
    QElapsedTimer clock;
    clock.start();

    const RunResult result = RunRedirected(shellCommand(QStringLiteral("echo started; exec sleep 30")),
                                           capture, log.sink(), prompter, &stop);

    EXPECT_LT(clock.elapsed(), 10000);
    EXPECT_TRUE(result.started);
    EXPECT_TRUE(result.stopped);
    EXPECT_EQ(log.text(), QStringLiteral("started\n"));
}

TEST_F(RunRedirectedTest, StopKillsAProgramThatIgnoresTheRequestToEnd)
{
    RunStop stop;
    QTimer::singleShot(300, &stop, &RunStop::request);
    QElapsedTimer clock;
    clock.start();

    const RunResult result = RunRedirected(
        shellCommand(QStringLiteral("trap '' TERM; echo started; exec sleep 30")),
        capture, log.sink(), prompter, &stop);

    EXPECT_LT(clock.elapsed(), 10000);
    EXPECT_TRUE(result.stopped);
    EXPECT_EQ(result.exitCode, -1);
}

TEST_F(RunRedirectedTest, StopRequestedBeforehandStartsNothing)
{
    RunStop stop;
    stop.request();
    const QString marker = temp.filePath(QStringLiteral("ran"));

    const RunResult result = RunRedirected(shellCommand(QStringLiteral("touch '") + marker + u'\''),
                                           capture, log.sink(), prompter, &stop);

    EXPECT_FALSE(result.started);
    EXPECT_TRUE(result.stopped);
    EXPECT_FALSE(QFile::exists(marker));
}

TEST(CaptureFilePath, FollowsXdgStateHome)
{
    const QByteArray saved = qgetenv("XDG_STATE_HOME");
    const QString fallback = QDir::homePath() + QStringLiteral("/.local/state/Quillon/setdelta.log");

    qputenv("XDG_STATE_HOME", "/var/tmp/state");
    EXPECT_EQ(CaptureFilePath(), QStringLiteral("/var/tmp/state/Quillon/setdelta.log"));
    qunsetenv("XDG_STATE_HOME");
    EXPECT_EQ(CaptureFilePath(), fallback);

    qputenv("XDG_STATE_HOME", saved);
}

}  // namespace
}  // namespace quillon
