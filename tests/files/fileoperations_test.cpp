#include "fileoperations.h"
#include "scriptedprompter.h"
#include "syscallrecorder.h"
#include "testfiles.h"

#include <QDateTime>
#include <QDir>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillon {
namespace {

using namespace Qt::Literals::StringLiterals;
using namespace testing;

constexpr auto readOnly = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther;
const QString copyError = u"An error has occurred during the copy of the file.\n\n"_s;

class FileOperations : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(QDir(temp.path()).mkpath(u"from"_s) && QDir(temp.path()).mkpath(u"to"_s)); }
    QString path(const char* name) const { return temp.filePath(QString::fromUtf8(name)); }
    QStringList files(const char* folder) const { return QDir(path(folder)).entryList(QDir::Files | QDir::Hidden); }

    QTemporaryDir temp;
    ScriptedPrompter prompter;
};

TEST_F(FileOperations, ACopyKeepsBytesAndDateAndSaysSo)
{
    const QByteArray bytes("clrmamepro (\r\n)\r\n\xff\x00", 19);
    writeFile(path("from/old.dat"), bytes);
    const QDateTime yesterday = QDateTime::currentDateTime().addDays(-1);
    QFile file(path("from/old.dat"));
    ASSERT_TRUE(file.open(QIODevice::Append) && file.setFileTime(yesterday, QFileDevice::FileModificationTime));
    FileCopy(prompter, path("from/old.dat"), path("to/old.dat"));
    EXPECT_EQ(readAll(path("to/old.dat")), bytes);
    EXPECT_EQ(QFileInfo(path("to/old.dat")).lastModified().toSecsSinceEpoch(), yesterday.toSecsSinceEpoch());
    EXPECT_EQ(prompter.messages(), (QList<PromptMessage>{{.text = u"File succesfully copied.\n\n"_s, .title = u"File Copy/Move"_s,
                                                          .icon = PromptIcon::Information, .centredOnMainWindow = true}}));
}

// A name without an extension is a file to replace like any other.
TEST_F(FileOperations, ReplacingAnExistingFileAsksFirstAndAMoveLeavesOneFile)
{
    writeFile(path("from/README"), "new");
    writeFile(path("to/README"), "old");
    prompter.answerNext(PromptAnswer::No);
    FileCopy(prompter, path("from/README"), path("to/README"));
    EXPECT_EQ(readAll(path("to/README")), "old");
    EXPECT_EQ(prompter.texts(), (QStringList{u"The file already exists in the destinataion folder.\n\nDo you want to replace it ?"_s,
                                             u"Operation aborted."_s}));
    EXPECT_EQ(prompter.messages().first().defaultAnswer, PromptAnswer::No) << "replacing cannot be undone";
    prompter.answerNext(PromptAnswer::Yes);
    FileCopy(prompter, path("from/README"), path("to/README"), true);
    EXPECT_EQ(readAll(path("to/README")), "new");
    EXPECT_EQ(prompter.texts().last(), u"File succesfully moved.\n\n"_s);
    EXPECT_TRUE(files("from").isEmpty());
    EXPECT_EQ(files("to"), QStringList{u"README"_s}) << "no temporary file is left behind";
}

// A failed copy, move or delete says why and keeps the files as they were.
TEST_F(FileOperations, FailedCopiesMovesAndDeletesSayWhyAndKeepTheFiles)
{
    writeFile(path("from/a.dat"), "content");
    writeFile(path("from/ro.dat"), "content", readOnly);
    ASSERT_TRUE(QDir().mkpath(path("to/a.dat")));
    enum Action { Copy, Move, Delete };
    const struct {
        Action action;
        QString from, to, message;
    } cases[] = {
        {Copy, path("from/a.dat"), path("to/a.dat"), copyError + path("to/a.dat") + u": Is a directory"_s},
        {Move, path("from/ro.dat"), path("to/ro.dat"), copyError + u"The file is read-only."_s},
        {Move, path("from/a.dat"), path("from/./a.dat"), copyError + u"The file cannot be copied onto itself."_s},
        {Copy, path("from/a.dat"), path("nowhere/a.dat"), copyError + path("nowhere/a.dat") + u": No such file or directory"_s},
        {Move, path("from/gone.dat"), path("to/gone.dat"), copyError + u"The file to copy does not exist."_s},
        {Delete, path("from"), u"ro.dat"_s, u"\"ro.dat\" could not be deleted.\n\nThe file is read-only."_s},
        {Delete, path("from"), u"gone.dat"_s, u"\"gone.dat\" could not be deleted.\n\nThe file does not exist."_s},
    };
    for (const auto& failure : cases) {
        SCOPED_TRACE(failure.message.toStdString());
        if (failure.action == Delete || QFileInfo(failure.to).isFile())
            prompter.answerNext(PromptAnswer::Yes);
        if (failure.action == Delete)
            EXPECT_FALSE(DeleteFileAsked(prompter, failure.from, failure.to));
        else
            FileCopy(prompter, failure.from, failure.to, failure.action == Move);
        EXPECT_EQ(prompter.messages().last().text, failure.message);
        EXPECT_EQ(prompter.messages().last().icon, failure.action == Delete ? PromptIcon::Critical : PromptIcon::Information);
    }
    EXPECT_EQ(files("from"), (QStringList{u"a.dat"_s, u"ro.dat"_s}));
    EXPECT_EQ(readAll(path("from/a.dat")), "content");
    EXPECT_EQ(files("to"), QStringList{u"ro.dat"_s}) << "the copy stays when the source cannot go";
}

// Opens each pipe at both ends after a while, so that an operation waiting on one ends and fails
// its test rather than hanging it.
class PipeWatchdog {
public:
    explicit PipeWatchdog(const QStringList& pipes)
        : thread_([this, pipes] {
              std::unique_lock lock(mutex_);
              if (stop_.wait_for(lock, std::chrono::seconds(5), [this] { return stopped_; }))
                  return;
              for (const QString& pipe : pipes)
                  if (const int fd = open(QFile::encodeName(pipe).constData(), O_RDWR | O_NONBLOCK); fd >= 0)
                      close(fd);
          })
    {
    }
    ~PipeWatchdog()
    {
        {
            const std::lock_guard lock(mutex_);
            stopped_ = true;
        }
        stop_.notify_all();
        thread_.join();
    }
    PipeWatchdog(const PipeWatchdog&) = delete;
    PipeWatchdog& operator=(const PipeWatchdog&) = delete;

private:
    std::mutex mutex_;
    std::condition_variable stop_;
    bool stopped_ = false;
    std::thread thread_;
};

// A pipe in a panel is refused at once, as what to copy or move and as what a copy would
// replace, with the reason; nothing waits on it and no file changes.
TEST_F(FileOperations, APipeIsRefusedAtOnceWithTheReason)
{
    ASSERT_EQ(mkfifo(QFile::encodeName(path("from/pipe.dat")).constData(), 0600), 0);
    ASSERT_EQ(mkfifo(QFile::encodeName(path("to/pipe.dat")).constData(), 0600), 0);
    writeFile(path("from/a.dat"), "content");
    const PipeWatchdog watchdog({path("from/pipe.dat"), path("to/pipe.dat")});
    FileCopy(prompter, path("from/pipe.dat"), path("to/new.dat"), true);
    EXPECT_EQ(prompter.messages().last().text, copyError + path("from/pipe.dat") + u": not a regular file"_s);
    prompter.answerNext(PromptAnswer::Yes);
    FileCopy(prompter, path("from/a.dat"), path("to/pipe.dat"));
    EXPECT_EQ(prompter.messages().last().text, copyError + path("to/pipe.dat") + u": No such device or address"_s);
    const auto everything = [this](const char* folder) {
        return QDir(path(folder)).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    };
    EXPECT_EQ(everything("from"), (QStringList{u"a.dat"_s, u"pipe.dat"_s}));
    EXPECT_EQ(everything("to"), QStringList{u"pipe.dat"_s});
}

// The copy's new name is on disk (its folder flushed after the rename) before the source goes,
// so that a crash cannot lose both.
TEST_F(FileOperations, AMovedFileIsOnDiskUnderItsNewNameBeforeTheSourceGoes)
{
    writeFile(path("from/a.dat"), "content");
    writeFile(path("to/a.dat"), "old");
    prompter.answerNext(PromptAnswer::Yes);
    const SyscallRecording recording;
    FileCopy(prompter, path("from/a.dat"), path("to/a.dat"), true);
    const QString to = QFileInfo(path("to")).canonicalFilePath();
    EXPECT_EQ(recording.events(), (QStringList{u"rename "_s + path("to/a.dat"), u"fsync "_s + to, u"unlink "_s + path("from/a.dat")}));
    EXPECT_EQ(readAll(path("to/a.dat")), "content");
}

TEST_F(FileOperations, ACancelledCopyLeavesTheDestinationAsItWas)
{
    writeFile(path("from/big.dat"), QByteArray(3 * 1024 * 1024, 'x'));
    writeFile(path("to/big.dat"), "old");
    int calls = 0;
    const Outcome copied = CopyFileWithProgress(path("from/big.dat"), path("to/big.dat"), [&](qint64, qint64) { return ++calls < 2; });
    EXPECT_EQ(copied.reason(), u"The copy was cancelled."_s);
    EXPECT_EQ(readAll(path("to/big.dat")), "old");
    EXPECT_EQ(files("to"), QStringList{u"big.dat"_s});
}

// Points the home folder and the data folder, where the home trash is, into the test's folder,
// and puts them back afterwards.
class HomeTrash {
public:
    explicit HomeTrash(const QString& dataHome) : savedHome_(qgetenv("HOME")), savedData_(qgetenv("XDG_DATA_HOME"))
    {
        qputenv("HOME", QFileInfo(dataHome).path().toLocal8Bit());
        qputenv("XDG_DATA_HOME", dataHome.toLocal8Bit());
    }
    ~HomeTrash()
    {
        qputenv("HOME", savedHome_);
        qputenv("XDG_DATA_HOME", savedData_);
    }
    HomeTrash(const HomeTrash&) = delete;
    HomeTrash& operator=(const HomeTrash&) = delete;

private:
    QByteArray savedHome_, savedData_;
};

PromptMessage deleteQuestion(const QString& fileName, const QString& where)
{
    return {.text = u"Do you want to delete \"%1\" ?\n\n%2"_s.arg(fileName, where), .icon = PromptIcon::Question,
            .buttons = PromptButtons::YesNo, .defaultAnswer = PromptAnswer::No, .centredOnMainWindow = true};
}

TEST_F(FileOperations, DeleteAsksFirstWithNoAsTheDefaultAndMovesTheFileToTheTrash)
{
    ASSERT_TRUE(QDir(temp.path()).mkpath(u"data"_s));
    const HomeTrash trash(path("data"));
    writeFile(path("from/old.dat"), "content");
    prompter.answerNext(PromptAnswer::No);
    EXPECT_FALSE(DeleteFileAsked(prompter, path("from/"), u"old.dat"_s));
    EXPECT_EQ(prompter.messages().last(), deleteQuestion(u"old.dat"_s, u"It will be moved to the trash."_s));
    EXPECT_EQ(files("from"), QStringList{u"old.dat"_s});

    prompter.answerNext(PromptAnswer::Yes);
    EXPECT_TRUE(DeleteFileAsked(prompter, path("from/"), u"old.dat"_s)) << "a folder ending in / is joined with one /";
    EXPECT_TRUE(files("from").isEmpty());
    EXPECT_EQ(readAll(path("data/Trash/files/old.dat")), "content") << "a slip can be undone";
    const QByteArray origin = "Path=" + QUrl::toPercentEncoding(path("from/old.dat"), "/");
    EXPECT_TRUE(readAll(path("data/Trash/info/old.dat.trashinfo")).contains(origin)) << "with where it came from";
}

TEST_F(FileOperations, WithoutATrashTheQuestionSaysTheFileGoesForGood)
{
    // The data folder cannot exist under a file, so no home trash can be made; the files are
    // on the home volume, whose own trash is the home trash.
    writeFile(path("blocked"), "a file where a folder should be");
    const HomeTrash trash(path("blocked/data"));
    writeFile(path("from/old.dat"), "content");
    prompter.answerNext(PromptAnswer::Yes);
    EXPECT_TRUE(DeleteFileAsked(prompter, path("from"), u"old.dat"_s));
    EXPECT_EQ(prompter.messages().last(),
              deleteQuestion(u"old.dat"_s, u"There is no trash here: it will be deleted for good."_s));
    EXPECT_TRUE(files("from").isEmpty());
}

}  // namespace
}  // namespace quillon
