#include "processrunner.h"

#include "filesizelimit.h"
#include "logtext.h"
#include "runhelpers.h"
#include "scriptedprompter.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <csignal>

namespace quillon {

using namespace Qt::Literals::StringLiterals;
using namespace testing;

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
    const QString folder = temp.filePath(u"tool folder"_s);
    QDir().mkpath(folder);
    const QString script = u"pwd; for a; do echo \"[$a]\"; done; read line; echo \"read=$?\"; echo error >&2; exit 3"_s;
    // `timeout` only guards against a child left waiting on an open input pipe.
    const RunResult result = run({.program = u"timeout"_s,
                                  .arguments = {u"20"_s, u"sh"_s, u"-c"_s, script, u"sh"_s, u"/old dats/a b.dat"_s,
                                                QString(), u"\"quoted\""_s},
                                  .workingFolder = folder});

    const QString expected = folder + u"\n[/old dats/a b.dat]\n[]\n[\"quoted\"]\nread=1\nerror\n"_s;
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

TEST(LogTextDecoder, ByteByByteGivesTheSameTextAsWhole)
{
    const QByteArray output = "\xef\xbb\xbf  caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x8e\xae\r\n  end \r";
    LogTextDecoder pieces;
    QString text;
    for (char byte : output)
        text += pieces.decode(QByteArray(1, byte));
    EXPECT_EQ(text + pieces.finish(), QString::fromUtf8(output));
}

}  // namespace quillon
