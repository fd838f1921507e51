#include "datcapture.h"
#include "scriptedprompter.h"
#include "testfiles.h"

#include <QDir>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace quillon;
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

TEST_F(CreateDatFileTest, FailingProgramLeavesTheDestinationAlone)
{
    writeFile(destination, "the user's DAT");
    const CaptureResult result = create(shell("printf 'half a list'; exit 3"));
    EXPECT_FALSE(result.written);
    EXPECT_EQ(readAll(destination), "the user's DAT");
    EXPECT_EQ(prompter.texts(), QStringList{"The program ended with exit code 3; " + destination + " was left as it was."});
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"mame.dat"});
}

TEST_F(CreateDatFileTest, UnwritableDestinationIsReported)
{
    const CaptureResult result = CreateDatFile(shell("printf x"), folder.filePath("missing/mame.dat"),
                                               [](const QString&) {}, prompter);
    EXPECT_FALSE(result.written);
    ASSERT_EQ(prompter.messages().size(), 1);
    EXPECT_TRUE(prompter.texts().first().startsWith("Could not write " + folder.filePath("missing/mame.dat")));
}
