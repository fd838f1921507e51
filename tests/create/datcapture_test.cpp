#include "datcapture.h"
#include "filesizelimit.h"
#include "processes.h"
#include "scriptedprompter.h"
#include "testfiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

using namespace quillon;
using namespace quillon::testing;
using namespace Qt::Literals::StringLiterals;

namespace {

const QByteArray UsersDat = "the user's DAT";
const QString XmlHead = u"printf '<?xml version=\"1.0\"?>\\n<!DOCTYPE mame [\\n<!ELEMENT mame (machine+)>\\n]>\\n"
                        "<mame build=\"0.2\">\\n\\t<machine name=\"a\"/>\\n'; "_s;

class CreateDatFileTest : public ::testing::Test {
protected:
    Command shell(const QString& script, bool listXml = false)
    {
        QStringList arguments{u"-c"_s, script};
        if (listXml)
            arguments << u"sh"_s << u"-listxml"_s;  // $0 and $1 of the script
        return {.program = u"/bin/sh"_s, .arguments = arguments, .workingFolder = folder.path()};
    }

    CaptureResult create(const Command& command)
    {
        return CreateDatFile(command, destination, [this](const QString& text) { statusTexts.append(text); },
                             prompter);
    }

    QStringList files() const { return QDir(folder.path()).entryList(QDir::Files | QDir::Hidden); }

    QTemporaryDir folder;
    QString destination = folder.filePath(u"mame.dat"_s);
    ScriptedPrompter prompter;
    QStringList statusTexts;
};

}  // namespace

TEST_F(CreateDatFileTest, EveryCompleteOutputReplacesTheDestinationByteForByte)
{
    QByteArray output(3'000'000, '\0');
    QRandomGenerator(7).fillRange(reinterpret_cast<quint32*>(output.data()), output.size() / 4);
    writeFile(folder.filePath(u"source.bin"_s), output);

    const CaptureResult result = create(shell(u"cat source.bin; printf 'tail' >&2"_s));
    EXPECT_TRUE(result.written);
    EXPECT_EQ(result.bytes, output.size() + 4);
    EXPECT_TRUE(readAll(destination) == output + "tail") << "the file holds the output byte for byte";
    EXPECT_TRUE(prompter.messages().isEmpty());
    EXPECT_FALSE(statusTexts.isEmpty());
    EXPECT_LE(statusTexts.size(), 11) << "at most one status text every 256,000 bytes";
    for (const QString& text : statusTexts)
        EXPECT_TRUE(QRegularExpression(uR"(^Receiving data : \d{1,3}(,\d{3})+ bytes\.\.\.$)"_s).match(text).hasMatch());

    EXPECT_TRUE(create(shell(u"true"_s)).written);
    EXPECT_EQ(readAll(destination), "") << "a program that prints nothing gives an empty file";
    EXPECT_TRUE(create(shell(XmlHead + u"printf '</mame >\\r\\n'"_s, true)).written);
    EXPECT_TRUE(readAll(destination).endsWith("<machine name=\"a\"/>\n</mame >\r\n"));
    EXPECT_TRUE(create(shell(u"printf 'not XML at all'"_s)).written) << "-listinfo output has no end to check";
    EXPECT_EQ(files(), (QStringList{u"mame.dat"_s, u"source.bin"_s})) << "no temporary file is left";
}

// Every way a run can fail leaves the user's DAT and no other file, and tells the user why.
TEST_F(CreateDatFileTest, FailedRunsLeaveTheDestinationAndSayWhy)
{
    const struct {
        const char* what;
        Command command;
        QString message;  // %1: the destination
    } failures[] = {
        {"a program that cannot start", {.program = folder.filePath(u"no-such-mame"_s)},
         u"CreateProcess failed. Error: 2"_s},
        {"a crash", shell(u"printf 'partial'; kill -9 $$"_s),
         u"The program ended abnormally; %1 was left as it was.\n\nThe program's last output:\npartial"_s},
        {"an exit code", shell(u"seq 1 100; printf '\\n\\nunknown option: -listinfo\\r\\n\\n' >&2; exit 3"_s),
         u"The program ended with exit code 3; %1 was left as it was.\n\nThe program's last output:\n"
         "97\n98\n99\n100\nunknown option: -listinfo"_s},
        {"a cut XML list", shell(XmlHead, true),
         u"The program's output is not a complete XML document (it does not end with </mame>); %1 was left as "
         "it was.\n\nThe program's last output:\n<!DOCTYPE mame [\n<!ELEMENT mame (machine+)>\n]>\n"
         "<mame build=\"0.2\">\n<machine name=\"a\"/>"_s},
        {"text where XML was asked for", shell(u"printf 'not XML at all'"_s, true),
         u"The program's output is not a complete XML document; %1 was left as it was.\n\n"
         "The program's last output:\nnot XML at all"_s},
    };
    for (const auto& failure : failures) {
        SCOPED_TRACE(failure.what);
        writeFile(destination, UsersDat);
        const CaptureResult result = create(failure.command);
        EXPECT_FALSE(result.written);
        EXPECT_EQ(prompter.texts().value(0), QString(failure.message).replace(u"%1"_s, destination));
        EXPECT_EQ(prompter.messages().value(0).icon, result.started ? PromptIcon::Critical : PromptIcon::None);
        EXPECT_EQ(readAll(destination), UsersDat);
        EXPECT_EQ(files(), QStringList{u"mame.dat"_s});
        if (!result.started) {
            EXPECT_EQ(prompter.texts().value(1),
                      u"Could not start "_s + failure.command.program + u": No such file or directory."_s);
        }
        prompter = ScriptedPrompter();
    }

    const QString unwritable = folder.filePath(u"missing/mame.dat"_s);
    EXPECT_FALSE(CreateDatFile(shell(u"printf x"_s), unwritable, {}, prompter).started);
    EXPECT_EQ(prompter.texts(), QStringList{u"Could not write "_s + unwritable + u": No such file or directory."_s});
}

TEST_F(CreateDatFileTest, OutputThatDoesNotFitLeavesTheOldDat)
{
    writeFile(destination, UsersDat);
    // The program's own writes go into the pipe and succeed; Quillon's writes meet the limit.
    const ChildOutcome outcome = RunUnderFileSizeLimit(100'000, [this] {
        const CaptureResult result = create(shell(u"head -c 300000 /dev/zero; exit 0"_s));
        return result.written ? Outcome::success() : Outcome::failure(prompter.texts().join(u'|'));
    });
    EXPECT_TRUE(outcome.finished);
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(outcome.reason, u"Could not write "_s + destination + u": File too large. It was left as it was."_s);
    EXPECT_EQ(readAll(destination), UsersDat);
    EXPECT_EQ(files(), QStringList{u"mame.dat"_s});
}

TEST_F(CreateDatFileTest, CancelStopsAHangingProgramAndRemovesItsOutput)
{
    writeFile(destination, UsersDat);
    DatCapture capture(shell(u"printf 'partial'; exec sleep 600"_s), destination);
    QTimer::singleShot(300, [&] {
        EXPECT_TRUE(capture.isRunning());
        capture.cancel();
    });
    const CaptureResult result = capture.run([](const QString&) {}, prompter);
    EXPECT_TRUE(result.cancelled);
    EXPECT_FALSE(result.written);
    EXPECT_TRUE(prompter.messages().isEmpty()) << "the user asked for it";
    EXPECT_EQ(readAll(destination), UsersDat);
    EXPECT_EQ(files(), QStringList{u"mame.dat"_s});
}

TEST_F(CreateDatFileTest, CancelEndsTheProgramAWrapperScriptStarted)
{
    // As `flatpak run` or a front end's script: the wrapper waits for the emulator it started.
    QTemporaryDir elsewhere;
    const QString pidFile = elsewhere.filePath(u"mame.pid"_s);
    DatCapture capture(shell(u"sleep 600 & echo $! > '"_s + pidFile + u"'; printf 'partial'; wait"_s), destination);
    QTimer::singleShot(300, [&] { capture.cancel(); });
    const CaptureResult result = capture.run([](const QString&) {}, prompter);
    EXPECT_TRUE(result.cancelled);
    const int emulator = readAll(pidFile).trimmed().toInt();
    ASSERT_GT(emulator, 0);
    EXPECT_FALSE(ProcessRuns(emulator)) << "the emulator outlived Cancel";
    EXPECT_TRUE(files().isEmpty());
}

TEST_F(CreateDatFileTest, QuittingDuringARunStopsTheProgram)
{
    // Ending event processing for good is done in a child, where it cannot reach other tests.
    const ChildOutcome outcome = RunUnderFileSizeLimit(1 << 30, [this] {
        QTimer::singleShot(300, [] { QCoreApplication::exit(0); });
        const CaptureResult result = create(shell(u"printf 'partial'; exec sleep 600"_s));
        return result.cancelled ? Outcome::success() : Outcome::failure(u"not cancelled"_s);
    });
    EXPECT_TRUE(outcome.ok) << outcome.reason.toStdString();
    EXPECT_TRUE(files().isEmpty());
}
