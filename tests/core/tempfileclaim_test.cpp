#include "tempfileclaim.h"
#include "testfiles.h"
#include "utilities.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

namespace quillon {
namespace {

using testing::writeFile;

// The temporary folder of the test's own, so that it sees every file an instance leaves.
class LeftoverTempFiles : public ::testing::Test {
protected:
    LeftoverTempFiles() : oldTemp_(qgetenv("TMPDIR")) { qputenv("TMPDIR", temp_.path().toLocal8Bit()); }
    ~LeftoverTempFiles() override { qputenv("TMPDIR", oldTemp_); }

    QStringList files() const { return QDir(temp_.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name); }

    // An instance in a child process that claims its files and makes two; it is killed at
    // once, or when `alive` it runs until its standard input pipe is closed.
    pid_t startInstance(bool alive, int* release = nullptr)
    {
        int ready[2];
        int stay[2];
        if (pipe(ready) != 0 || pipe(stay) != 0)
            return -1;
        const pid_t child = fork();
        if (child == 0) {
            close(ready[0]);
            close(stay[1]);
            TempFileClaim claim;
            const bool made = !GetTempFileName("dat").isEmpty() && !GetTempFileName("cmh").isEmpty();
            char done = made ? '1' : '0';
            (void)!write(ready[1], &done, 1);
            if (alive)
                (void)!read(stay[0], &done, 1);
            _exit(0);  // without the claim's clean-up, as a killed instance ends
        }
        close(ready[1]);
        close(stay[0]);
        char done = 0;
        EXPECT_EQ(read(ready[0], &done, 1), 1);
        EXPECT_EQ(done, '1');
        close(ready[0]);
        if (release)
            *release = stay[1];
        else
            close(stay[1]);
        if (!alive)
            waitpid(child, nullptr, 0);
        return child;
    }

private:
    QTemporaryDir temp_;
    QByteArray oldTemp_;
};

TEST_F(LeftoverTempFiles, OnlyTheFilesOfInstancesThatAreGoneAreRemoved)
{
    int release = -1;
    const pid_t running = startInstance(true, &release);
    startInstance(false);
    writeFile(GetTempFolder() + "datABCDEF.tmp", "not claimed by any instance");
    writeFile(GetTempFolder() + "notes.tmp", "the user's");
    const QStringList before = files();
    ASSERT_EQ(before.size(), 8) << before.join(' ').toStdString();

    EXPECT_EQ(RemoveLeftoverTempFiles(), 3) << "two files and the lock of the killed instance";

    const QStringList after = files();
    EXPECT_EQ(after.size(), 5) << after.join(' ').toStdString();
    EXPECT_TRUE(after.contains("datABCDEF.tmp"));
    EXPECT_TRUE(after.contains("notes.tmp"));

    close(release);
    waitpid(running, nullptr, 0);
    EXPECT_EQ(RemoveLeftoverTempFiles(), 3) << "now that one has ended too";
    EXPECT_EQ(files(), (QStringList{"datABCDEF.tmp", "notes.tmp"}));
}

TEST_F(LeftoverTempFiles, TheClaimTagsNamesAndGoesAwayWithItsLock)
{
    {
        TempFileClaim claim;
        const QString tag = TempFileClaim::currentTag();
        ASSERT_EQ(tag.size(), 8);
        const QString file = GetTempFileName("cmh");
        EXPECT_TRUE(QFileInfo(file).fileName().startsWith("cmh" + tag));
        EXPECT_EQ(RemoveLeftoverTempFiles(), 0) << "this instance's own files stay";
        DeleteFileQuiet(file);
    }
    EXPECT_EQ(TempFileClaim::currentTag(), "");
    EXPECT_TRUE(files().isEmpty()) << "the lock file is gone with the claim";
}

}  // namespace
}  // namespace quillon
