#include "fileoperations.h"
#include "scriptedprompter.h"
#include "testfiles.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace quillon {
namespace {

using namespace Qt::Literals::StringLiterals;
using testing::readAll;
using testing::ScriptedPrompter;
using testing::writeFile;

constexpr auto readOnly = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther;
const QString replaceQuestion = u"The file already exists in the destinataion folder.\n\nDo you want to replace it ?"_s;
const QString copyError = u"An error has occurred during the copy of the file.\n\n"_s;

class FileOperations : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(QDir(temp.path()).mkpath(u"source"_s) && QDir(temp.path()).mkpath(u"destination"_s)); }

    QString source(const QString& name) const { return temp.filePath(u"source/"_s + name); }
    QString destination(const QString& name) const { return temp.filePath(u"destination/"_s + name); }
    QStringList destinationEntries() const { return QDir(destination({})).entryList(QDir::Files | QDir::Hidden); }

    QTemporaryDir temp;
    ScriptedPrompter prompter;
};

TEST_F(FileOperations, ACopyKeepsBytesAndDateAndSaysSo)
{
    const QByteArray bytes("clrmamepro (\r\n)\r\n\xff\x00", 19);
    writeFile(source(u"old.dat"_s), bytes);
    const QDateTime yesterday = QDateTime::currentDateTime().addDays(-1);
    QFile file(source(u"old.dat"_s));
    ASSERT_TRUE(file.open(QIODevice::Append) && file.setFileTime(yesterday, QFileDevice::FileModificationTime));

    FileCopy(prompter, source(u"old.dat"_s), destination(u"old.dat"_s));

    EXPECT_EQ(readAll(destination(u"old.dat"_s)), bytes);
    EXPECT_EQ(QFileInfo(destination(u"old.dat"_s)).lastModified().toSecsSinceEpoch(), yesterday.toSecsSinceEpoch());
    EXPECT_EQ(prompter.messages(), (QList<PromptMessage>{{.text = u"File succesfully copied.\n\n"_s, .title = u"File Copy/Move"_s,
                                                          .icon = PromptIcon::Information, .centredOnMainWindow = true}}));
}

// A name without an extension is a file to replace like any other.
TEST_F(FileOperations, ReplacingAnExistingFileAsksFirstAndAMoveLeavesOneFile)
{
    writeFile(source(u"README"_s), "new");
    writeFile(destination(u"README"_s), "old");
    prompter.answerNext(PromptAnswer::No);
    FileCopy(prompter, source(u"README"_s), destination(u"README"_s));
    EXPECT_EQ(readAll(destination(u"README"_s)), "old");
    EXPECT_EQ(prompter.texts(), (QStringList{replaceQuestion, u"Operation aborted."_s}));

    prompter.answerNext(PromptAnswer::Yes);
    FileCopy(prompter, source(u"README"_s), destination(u"README"_s), true);
    EXPECT_EQ(readAll(destination(u"README"_s)), "new");
    EXPECT_FALSE(QFileInfo::exists(source(u"README"_s)));
    EXPECT_EQ(prompter.texts().last(), u"File succesfully moved.\n\n"_s);
    EXPECT_EQ(destinationEntries(), QStringList{u"README"_s}) << "no temporary file is left behind";
}

// A failed copy or move says why and keeps both files as they were.
TEST_F(FileOperations, FailedCopiesAndMovesSayWhyAndKeepTheFiles)
{
    writeFile(source(u"a.dat"_s), "content");
    writeFile(source(u"ro.dat"_s), "content", readOnly);
    ASSERT_TRUE(QDir().mkpath(destination(u"a.dat"_s)));
    const struct {
        QString from, to;
        bool move;
        QString reason;
    } cases[] = {
        {source(u"a.dat"_s), destination(u"a.dat"_s), false, destination(u"a.dat"_s) + u": Is a directory"_s},
        {source(u"ro.dat"_s), destination(u"ro.dat"_s), true, u"The file is read-only."_s},
        {source(u"a.dat"_s), temp.filePath(u"source/./a.dat"_s), true, u"The file cannot be copied onto itself."_s},
        {source(u"a.dat"_s), temp.filePath(u"nowhere/a.dat"_s), false, temp.filePath(u"nowhere/a.dat"_s) + u": No such file or directory"_s},
        {source(u"gone.dat"_s), destination(u"gone.dat"_s), true, u"The file to copy does not exist."_s},
    };
    for (const auto& failure : cases) {
        SCOPED_TRACE(failure.reason.toStdString());
        if (QFileInfo(failure.to).isFile())
            prompter.answerNext(PromptAnswer::Yes);
        FileCopy(prompter, failure.from, failure.to, failure.move);
        EXPECT_EQ(prompter.messages().last().text, copyError + failure.reason);
        EXPECT_EQ(prompter.messages().last().icon, PromptIcon::Information);
        EXPECT_EQ(readAll(failure.from), QFile::exists(failure.from) ? "content" : "<unreadable>");
    }
    EXPECT_TRUE(QFileInfo(destination(u"a.dat"_s)).isDir());
    EXPECT_EQ(destinationEntries(), QStringList{u"ro.dat"_s}) << "the copy stays when the source cannot go";
}

TEST_F(FileOperations, ACancelledCopyLeavesTheDestinationAsItWas)
{
    writeFile(source(u"big.dat"_s), QByteArray(3 * 1024 * 1024, 'x'));
    writeFile(destination(u"big.dat"_s), "old");
    QList<qint64> reported;
    const Outcome copied = CopyFileWithProgress(source(u"big.dat"_s), destination(u"big.dat"_s), [&](qint64 done, qint64 total) {
        EXPECT_EQ(total, 3 * 1024 * 1024);
        reported.append(done);
        return reported.size() < 2;
    });
    EXPECT_EQ(copied.reason(), u"The copy was cancelled."_s);
    EXPECT_EQ(reported, (QList<qint64>{1024 * 1024, 2 * 1024 * 1024}));
    EXPECT_EQ(readAll(destination(u"big.dat"_s)), "old");
    EXPECT_EQ(destinationEntries(), QStringList{u"big.dat"_s});
}

TEST_F(FileOperations, DeleteAsksFirstAndSaysWhyItFailed)
{
    writeFile(source(u"old.dat"_s), "content");
    writeFile(source(u"locked.dat"_s), "content", readOnly);
    prompter.answerNext(PromptAnswer::No);
    EXPECT_FALSE(DeleteFileAsked(prompter, source({}), u"old.dat"_s));
    EXPECT_EQ(prompter.messages().last(), (PromptMessage{.text = u"Do you want to delete \"old.dat\" ?"_s, .icon = PromptIcon::Question,
                                                         .buttons = PromptButtons::YesNo, .defaultAnswer = PromptAnswer::Yes,
                                                         .centredOnMainWindow = true}));
    prompter.answerNext(PromptAnswer::Yes);
    EXPECT_TRUE(DeleteFileAsked(prompter, source({}), u"old.dat"_s)) << "a folder ending in / is joined with one /";
    prompter.answerNext(PromptAnswer::Yes);
    EXPECT_FALSE(DeleteFileAsked(prompter, temp.filePath(u"source"_s), u"locked.dat"_s));
    EXPECT_EQ(prompter.texts().last(), u"\"locked.dat\" could not be deleted.\n\nThe file is read-only."_s);
    EXPECT_EQ(prompter.messages().last().icon, PromptIcon::Critical);
    prompter.answerNext(PromptAnswer::Yes);
    EXPECT_FALSE(DeleteFileAsked(prompter, source({}), u"vanished.dat"_s));
    EXPECT_EQ(prompter.texts().last(), u"\"vanished.dat\" could not be deleted.\n\nThe file does not exist."_s);
    EXPECT_EQ(QDir(source({})).entryList(QDir::Files), QStringList{u"locked.dat"_s});
}

}  // namespace
}  // namespace quillon
