#include "datcapture.h"
#include "filesizelimit.h"
#include "scriptedprompter.h"
#include "testfiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

using namespace quillon;
using quillon::testing::ChildOutcome;
using quillon::testing::RunUnderFileSizeLimit;
using quillon::testing::ScriptedPrompter;
using quillon::testing::readAll;
using quillon::testing::writeFile;

namespace {

class CreateDatFileTest : public ::testing::Test {
protected:
    Command shell(const QString& script)
    {
        return {.program = "/bin/sh", .arguments = {"-c", script}, .workingFolder = folder.path()};
    }

    CaptureResult create(const Command& command)
    {
        return CreateDatFile(command, destination, [this](const QString& text) { statusTexts.append(text); },
                             prompter);
    }

    QTemporaryDir folder;
    QString destination = folder.filePath("mame.dat");
    ScriptedPrompter prompter;
    QStringList statusTexts;
};

}  // namespace

TEST_F(CreateDatFileTest, StoresEveryByteThatIsPrinted)
{
    QByteArray output(3'000'000, '\0');
    QRandomGenerator(7).fillRange(reinterpret_cast<quint32*>(output.data()), output.size() / 4);
    writeFile(folder.filePath("source.bin"), output);

    const CaptureResult result = create(shell("cat source.bin; printf 'tail' >&2"));
    EXPECT_TRUE(result.written);
    EXPECT_EQ(result.bytes, output.size() + 4);
    EXPECT_TRUE(readAll(destination) == output + "tail") << "the file holds the output byte for byte";
    EXPECT_TRUE(prompter.messages().isEmpty());
    EXPECT_FALSE(statusTexts.isEmpty());
    EXPECT_LE(statusTexts.size(), 11) << "at most one status text every 256,000 bytes";
    for (const QString& text : statusTexts)
        EXPECT_TRUE(QRegularExpression(R"(^Receiving data : \d{1,3}(,\d{3})+ bytes\.\.\.$)").match(text).hasMatch())
            << text.toStdString();
}

TEST(ReceivingDataText, GroupsTheDigits)
{
    EXPECT_EQ(receivingDataText(1'024'000), "Receiving data : 1,024,000 bytes...");
}

TEST_F(CreateDatFileTest, ReplacesALongerFileAndLeavesNoTemporaryFile)
{
    writeFile(destination, QByteArray(10'000, 'x'));
    EXPECT_TRUE(create(shell("printf 'game ( name a )'")).written);
    EXPECT_EQ(readAll(destination), "game ( name a )");
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"mame.dat"});
}

TEST_F(CreateDatFileTest, LinkedDestinationKeepsItsLinkAndPermissions)
{
    const QString target = folder.filePath("real.dat");
    writeFile(target, "old", QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
    ASSERT_TRUE(QFile::link(target, destination));
    EXPECT_TRUE(create(shell("printf new")).written);
    EXPECT_TRUE(QFileInfo(destination).isSymLink());
    EXPECT_EQ(readAll(target), "new");
    EXPECT_EQ(QFile::permissions(target) & ~(QFile::ReadUser | QFile::WriteUser),
              QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
}

TEST_F(CreateDatFileTest, ProgramThatPrintsNothingGivesAnEmptyFile)
{
    EXPECT_TRUE(create(shell("true")).written);
    EXPECT_TRUE(QFileInfo::exists(destination));
    EXPECT_EQ(readAll(destination), "");
    EXPECT_TRUE(statusTexts.isEmpty());
}

TEST_F(CreateDatFileTest, FailedStartLeavesTheDestinationAlone)
{
    writeFile(destination, "the user's DAT");
    const CaptureResult result = create({.program = folder.filePath("no-such-mame"), .arguments = {"-listxml"}});
    EXPECT_FALSE(result.started);
    EXPECT_EQ(prompter.texts(), QStringList{"CreateProcess failed. Error: 2"});
    EXPECT_EQ(readAll(destination), "the user's DAT");
}

TEST_F(CreateDatFileTest, CrashedProgramLeavesTheDestinationAlone)
{
    writeFile(destination, "the user's DAT");
    const CaptureResult result = create(shell("printf 'partial'; kill -9 $$"));
    EXPECT_TRUE(result.started);
    EXPECT_FALSE(result.written);
    EXPECT_EQ(readAll(destination), "the user's DAT");
    ASSERT_EQ(prompter.messages().size(), 1);
    EXPECT_EQ(prompter.messages().first().icon, PromptIcon::Critical);
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"mame.dat"});
}

TEST_F(CreateDatFileTest, FailingProgramIsReportedWithItsLastLines)
{
    writeFile(destination, "the user's DAT");
    const CaptureResult result = create(shell("seq 1 100; printf '\\n\\nunknown option: -listinfo\\r\\n\\n' >&2; exit 3"));
    EXPECT_FALSE(result.written);
    EXPECT_EQ(readAll(destination), "the user's DAT");
    EXPECT_EQ(prompter.texts(), QStringList{"The program ended with exit code 3; " + destination
                                            + " was left as it was.\n\nThe program's last output:\n"
                                              "97\n98\n99\n100\nunknown option: -listinfo"});
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"mame.dat"});
}

TEST_F(CreateDatFileTest, XmlListMustEndWithItsRootElement)
{
    const QByteArray head = "<?xml version=\"1.0\"?>\n<!DOCTYPE mame [\n<!ELEMENT mame (machine+)>\n]>\n"
                            "<mame build=\"0.2\">\n\t<machine name=\"a\"/>\n";
    writeFile(folder.filePath("head.xml"), head);
    writeFile(destination, "the user's DAT");
    const Command cut = shell("cat head.xml; exit 0");
    EXPECT_FALSE(create({cut.program, {cut.arguments.first(), cut.arguments.last(), "-listxml"}, cut.workingFolder}).written);
    EXPECT_EQ(readAll(destination), "the user's DAT");
    ASSERT_EQ(prompter.texts().size(), 1);
    EXPECT_TRUE(prompter.texts().first().startsWith(
        "The program's output is not a complete XML document (it does not end with </mame>); " + destination
        + " was left as it was."));

    const Command whole = shell("cat head.xml; printf '</mame >\\r\\n'");
    EXPECT_TRUE(create({whole.program, {whole.arguments.first(), whole.arguments.last(), "-listxml"}, whole.workingFolder})
                    .written);
    EXPECT_EQ(readAll(destination), head + "</mame >\r\n");
    const Command text = shell("printf 'not XML at all'");
    EXPECT_FALSE(create({text.program, {text.arguments.first(), text.arguments.last(), "-listxml"}, text.workingFolder})
                     .written);
    EXPECT_TRUE(create(text).written) << "-listinfo output has no end to check";
}

TEST_F(CreateDatFileTest, OutputThatDoesNotFitLeavesTheOldDat)
{
    writeFile(destination, "the user's DAT");
    // The program's own writes go into the pipe and succeed; Quillon's writes meet the limit.
    const ChildOutcome outcome = RunUnderFileSizeLimit(100'000, [this] {
        const CaptureResult result = create(shell("head -c 300000 /dev/zero; exit 0"));
        return result.written ? Outcome::success() : Outcome::failure(prompter.texts().join("|"));
    });
    EXPECT_TRUE(outcome.finished);
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(outcome.reason, "Could not write " + destination + ": File too large. It was left as it was.");
    EXPECT_EQ(readAll(destination), "the user's DAT");
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"mame.dat"});
}

TEST_F(CreateDatFileTest, CancelStopsAHangingProgramAndRemovesItsOutput)
{
    writeFile(destination, "the user's DAT");
    DatCapture capture(shell("printf 'partial'; exec sleep 600"), destination);
    QTimer::singleShot(300, [&] {
        EXPECT_TRUE(capture.isRunning());
        capture.cancel();
    });
    QElapsedTimer timer;
    timer.start();
    const CaptureResult result = capture.run([](const QString&) {}, prompter);
    EXPECT_LT(timer.elapsed(), 30'000);
    EXPECT_TRUE(result.cancelled);
    EXPECT_FALSE(result.written);
    EXPECT_TRUE(prompter.messages().isEmpty()) << "the user asked for it";
    EXPECT_EQ(readAll(destination), "the user's DAT");
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"mame.dat"});
}

TEST_F(CreateDatFileTest, QuittingDuringARunStopsTheProgram)
{
    // Ending event processing for good is done in a child, where it cannot reach other tests.
    const ChildOutcome outcome = RunUnderFileSizeLimit(1 << 30, [this] {
        QTimer::singleShot(300, [] { QCoreApplication::exit(0); });
        const CaptureResult result = create(shell("printf 'partial'; exec sleep 600"));
        return result.cancelled ? Outcome::success() : Outcome::failure("not cancelled");
    });
    EXPECT_TRUE(outcome.ok) << outcome.reason.toStdString();
    EXPECT_TRUE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

TEST(LastLines, AreTheLastNonBlankLinesCutToAReadableLength)
{
    EXPECT_EQ(lastLinesOf("a\r\n\r\nb\nc\n\n", 2), "b\nc");
    EXPECT_EQ(lastLinesOf(QByteArray(300, 'x')), QString(160, 'x') + "...");
    EXPECT_EQ(lastLinesOf(""), "");
}

TEST_F(CreateDatFileTest, UnwritableDestinationIsReported)
{
    const CaptureResult result = CreateDatFile(shell("printf x"), folder.filePath("missing/mame.dat"),
                                               [](const QString&) {}, prompter);
    EXPECT_FALSE(result.written);
    ASSERT_EQ(prompter.messages().size(), 1);
    EXPECT_TRUE(prompter.texts().first().startsWith("Could not write " + folder.filePath("missing/mame.dat")));
}
