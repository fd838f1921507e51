#include "fileoperations.h"
#include "scriptedprompter.h"
#include "testfiles.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace quillon;
using quillon::testing::readAll;
using quillon::testing::ScriptedPrompter;
using quillon::testing::writeFile;

namespace {

constexpr auto readOnly = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther;

const QString replaceQuestion = "The file already exists in the destinataion folder.\n\nDo you want to replace it ?";
const QString copyError = "An error has occurred during the copy of the file.\n\n";

class FileOperations : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QDir().mkpath(sourceFolder()));
        ASSERT_TRUE(QDir().mkpath(destinationFolder()));
    }

    QString sourceFolder() const { return temp.filePath("source"); }
    QString destinationFolder() const { return temp.filePath("destination"); }
    QString source(const QString& name) const { return sourceFolder() + '/' + name; }
    QString destination(const QString& name) const { return destinationFolder() + '/' + name; }
    QStringList destinationEntries() const { return QDir(destinationFolder()).entryList(QDir::Files | QDir::Hidden); }

    QTemporaryDir temp;
    ScriptedPrompter prompter;
};

}  // namespace

TEST_F(FileOperations, CopyToANewNameKeepsBytesAndDateAndSaysSo)
{
    const QByteArray bytes("clrmamepro (\r\n\tname \"x\"\r\n)\r\n\xff\x00", 30);
    writeFile(source("old.dat"), bytes);
    const QDateTime yesterday = QDateTime::currentDateTime().addDays(-1);
    {
        QFile file(source("old.dat"));
        ASSERT_TRUE(file.open(QIODevice::Append));
        ASSERT_TRUE(file.setFileTime(yesterday, QFileDevice::FileModificationTime));
    }

    FileCopy(prompter, source("old.dat"), destination("old.dat"));

    EXPECT_EQ(readAll(destination("old.dat")), bytes);
    EXPECT_TRUE(QFileInfo::exists(source("old.dat")));
    EXPECT_EQ(QFileInfo(destination("old.dat")).lastModified().toSecsSinceEpoch(), yesterday.toSecsSinceEpoch());
    ASSERT_EQ(prompter.messages().size(), 1);
    EXPECT_EQ(prompter.messages().first(), (PromptMessage{.text = "File succesfully copied.\n\n",
                                                          .title = "File Copy/Move",
                                                          .icon = PromptIcon::Information,
                                                          .centredOnMainWindow = true}));
}

TEST_F(FileOperations, ReplacingAnExistingFileAsksFirst)
{
    writeFile(source("old.dat"), "new content");
    writeFile(destination("old.dat"), "old content");

    prompter.answerNext(PromptAnswer::No);
    FileCopy(prompter, source("old.dat"), destination("old.dat"));
    EXPECT_EQ(readAll(destination("old.dat")), "old content");
    EXPECT_EQ(readAll(source("old.dat")), "new content");
    ASSERT_EQ(prompter.messages().size(), 2);
    EXPECT_EQ(prompter.messages().at(0), (PromptMessage{.text = replaceQuestion,
                                                        .title = "File Copy/Move",
                                                        .icon = PromptIcon::Question,
                                                        .buttons = PromptButtons::YesNo,
                                                        .defaultAnswer = PromptAnswer::Yes,
                                                        .centredOnMainWindow = true}));
    EXPECT_EQ(prompter.messages().at(1).text, "Operation aborted.");
    EXPECT_EQ(prompter.messages().at(1).icon, PromptIcon::Critical);

    prompter.answerNext(PromptAnswer::Yes);
    FileCopy(prompter, source("old.dat"), destination("old.dat"), true);
    EXPECT_EQ(readAll(destination("old.dat")), "new content");
    EXPECT_FALSE(QFileInfo::exists(source("old.dat")));
    EXPECT_EQ(prompter.texts().last(), "File succesfully moved.\n\n");
    EXPECT_EQ(destinationEntries(), QStringList{"old.dat"}) << "no temporary file is left behind";
}

TEST_F(FileOperations, ANameWithoutExtensionIsNotReplacedUnasked)
{
    writeFile(source("README"), "new");
    writeFile(destination("README"), "old");
    prompter.answerNext(PromptAnswer::No);

    FileCopy(prompter, source("README"), destination("README"));

    EXPECT_EQ(readAll(destination("README")), "old");
    EXPECT_EQ(prompter.texts(), (QStringList{replaceQuestion, "Operation aborted."}));
}

TEST_F(FileOperations, AFolderInTheWayIsNoFileToReplaceAndFailsTheCopy)
{
    writeFile(source("old.dat"), "content");
    ASSERT_TRUE(QDir().mkpath(destination("old.dat")));

    FileCopy(prompter, source("old.dat"), destination("old.dat"));

    EXPECT_EQ(prompter.texts(), QStringList{copyError + destination("old.dat") + ": Is a directory"});
    EXPECT_EQ(prompter.messages().first().icon, PromptIcon::Information);
    EXPECT_TRUE(QFileInfo(destination("old.dat")).isDir());
}

TEST_F(FileOperations, AMoveOfAReadOnlySourceKeepsBothFilesAndReportsAnError)
{
    writeFile(source("old.dat"), "content", readOnly);

    FileCopy(prompter, source("old.dat"), destination("old.dat"), true);

    EXPECT_EQ(readAll(destination("old.dat")), "content");
    EXPECT_EQ(readAll(source("old.dat")), "content");
    EXPECT_EQ(prompter.texts(), QStringList{copyError + "The file is read-only."});
}

TEST_F(FileOperations, AMoveOntoItselfKeepsTheFile)
{
    writeFile(source("old.dat"), "content");
    prompter.answerNext(PromptAnswer::Yes);

    FileCopy(prompter, source("old.dat"), sourceFolder() + "/./old.dat", true);

    EXPECT_EQ(readAll(source("old.dat")), "content");
    EXPECT_EQ(prompter.texts(), (QStringList{replaceQuestion, copyError + "The file cannot be copied onto itself."}));
}

TEST_F(FileOperations, ACopyIntoAMissingFolderOrFromAMissingFileFails)
{
    writeFile(source("old.dat"), "content");
    FileCopy(prompter, source("old.dat"), temp.filePath("nowhere/old.dat"));
    FileCopy(prompter, source("gone.dat"), destination("gone.dat"));

    EXPECT_EQ(prompter.texts(), (QStringList{copyError + temp.filePath("nowhere/old.dat") + ": No such file or directory",
                                             copyError + "The file to copy does not exist."}));
    EXPECT_TRUE(destinationEntries().isEmpty());
}

TEST_F(FileOperations, ACancelledCopyLeavesTheDestinationAsItWas)
{
    writeFile(source("big.dat"), QByteArray(3 * 1024 * 1024, 'x'));
    writeFile(destination("big.dat"), "old");
    QList<qint64> reported;

    const Outcome copied = CopyFileWithProgress(source("big.dat"), destination("big.dat"), [&](qint64 done, qint64 total) {
        EXPECT_EQ(total, 3 * 1024 * 1024);
        reported.append(done);
        return reported.size() < 2;
    });

    EXPECT_FALSE(copied);
    EXPECT_EQ(copied.reason(), "The copy was cancelled.");
    EXPECT_EQ(reported, (QList<qint64>{1024 * 1024, 2 * 1024 * 1024}));
    EXPECT_EQ(readAll(destination("big.dat")), "old");
    EXPECT_EQ(destinationEntries(), QStringList{"big.dat"});
}

TEST_F(FileOperations, DeleteAsksWithTheNameInQuotesAndDeletesOnYes)
{
    writeFile(source("old.dat"), "content");

    prompter.answerNext(PromptAnswer::No);
    EXPECT_FALSE(DeleteFileAsked(prompter, sourceFolder(), "old.dat"));
    EXPECT_TRUE(QFileInfo::exists(source("old.dat")));

    prompter.answerNext(PromptAnswer::Yes);
    EXPECT_TRUE(DeleteFileAsked(prompter, sourceFolder() + '/', "old.dat"));
    EXPECT_FALSE(QFileInfo::exists(source("old.dat")));

    ASSERT_EQ(prompter.messages().size(), 2);
    EXPECT_EQ(prompter.messages().first(), (PromptMessage{.text = "Do you want to delete \"old.dat\" ?",
                                                          .icon = PromptIcon::Question,
                                                          .buttons = PromptButtons::YesNo,
                                                          .defaultAnswer = PromptAnswer::Yes,
                                                          .centredOnMainWindow = true}));
}

TEST_F(FileOperations, AFailedDeleteIsReported)
{
    writeFile(source("locked.dat"), "content", readOnly);

    prompter.answerNext(PromptAnswer::Yes);
    EXPECT_FALSE(DeleteFileAsked(prompter, sourceFolder(), "locked.dat"));
    prompter.answerNext(PromptAnswer::Yes);
    EXPECT_FALSE(DeleteFileAsked(prompter, sourceFolder(), "vanished.dat"));

    EXPECT_TRUE(QFileInfo::exists(source("locked.dat")));
    ASSERT_EQ(prompter.messages().size(), 4);
    EXPECT_EQ(prompter.messages().at(1).text, "\"locked.dat\" could not be deleted.\n\nThe file is read-only.");
    EXPECT_EQ(prompter.messages().at(1).icon, PromptIcon::Critical);
    EXPECT_TRUE(prompter.messages().at(3).text.startsWith("\"vanished.dat\" could not be deleted."));
}

TEST_F(FileOperations, ThePanelCopyAsksBeforeReplacingAndSaysNothingOnSuccess)
{
    writeFile(source("old.dat"), "new");
    writeFile(destination("old.dat"), "old");

    prompter.answerNext(PromptAnswer::No);
    CopyFileAskingFirst(prompter, nullptr, source("old.dat"), destination("old.dat"));
    EXPECT_EQ(readAll(destination("old.dat")), "old");

    prompter.answerNext(PromptAnswer::Yes);
    CopyFileAskingFirst(prompter, nullptr, source("old.dat"), destination("old.dat"));
    EXPECT_EQ(readAll(destination("old.dat")), "new");

    ASSERT_EQ(prompter.messages().size(), 2);
    EXPECT_EQ(prompter.messages().first().title, "Confirm File Replace");
    EXPECT_EQ(prompter.messages().first().defaultAnswer, PromptAnswer::No);
}

TEST_F(FileOperations, ThePanelCopyCopiesLargeFilesAndReportsFailures)
{
    const QByteArray large(static_cast<qsizetype>(largeFileBytes) + 17, 'L');
    writeFile(source("large.dat"), large);
    CopyFileAskingFirst(prompter, nullptr, source("large.dat"), destination("large.dat"));
    EXPECT_EQ(readAll(destination("large.dat")), large);
    EXPECT_TRUE(prompter.messages().isEmpty());

    CopyFileAskingFirst(prompter, nullptr, source("large.dat"), temp.filePath("nowhere/large.dat"));
    ASSERT_EQ(prompter.messages().size(), 1);
    EXPECT_TRUE(prompter.texts().first().startsWith("\"large.dat\" could not be copied.\n\n"));
    EXPECT_EQ(prompter.messages().first().icon, PromptIcon::Critical);
}

TEST(PathInFolder, JoinsWithOneSeparator)
{
    EXPECT_EQ(PathInFolder("/dats", "a.dat"), "/dats/a.dat");
    EXPECT_EQ(PathInFolder("/dats/", "a.dat"), "/dats/a.dat");
    EXPECT_EQ(PathInFolder("/", "a.dat"), "/a.dat");
}
