#include "tempfileclaim.h"
#include "testfiles.h"
#include "utilities.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quillon {

using namespace Qt::Literals::StringLiterals;
using testing::writeFile;

// The temporary folder of the test's own, so that it sees every file an instance leaves.
class LeftoverTempFiles : public ::testing::Test {
protected:
    LeftoverTempFiles() : oldTemp_(qgetenv("TMPDIR")) { qputenv("TMPDIR", temp_.path().toLocal8Bit()); }
    ~LeftoverTempFiles() override { qputenv("TMPDIR", oldTemp_); }

    QStringList files() const { return QDir(temp_.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name); }

    // An instance in a child process that claims its files and makes two. Unless `keepRunning`
    // it ends at once, without the claim's clean-up, as a killed instance does.
    pid_t startInstance(bool keepRunning)
    {
        int ready[2];
        if (pipe(ready) != 0)
            return -1;
        const pid_t child = fork();
        if (child == 0) {
            prctl(PR_SET_PDEATHSIG, SIGKILL);
            TempFileClaim claim;
            const bool made = !GetTempFileName(u"dat"_s).isEmpty() && !GetTempFileName(u"cmh"_s).isEmpty();
            (void)!write(ready[1], made ? "1" : "0", 1);
            while (keepRunning)
                pause();
            _exit(0);
        }
        close(ready[1]);
        char made = 0;
        EXPECT_TRUE(read(ready[0], &made, 1) == 1 && made == '1');
        close(ready[0]);
        if (!keepRunning)
            waitpid(child, nullptr, 0);
        return child;
    }

private:
    QTemporaryDir temp_;
    QByteArray oldTemp_;
};

TEST_F(LeftoverTempFiles, OnlyTheFilesOfInstancesThatAreGoneAreRemoved)
{
    const pid_t running = startInstance(true);
    startInstance(false);
    writeFile(GetTempFolder() + u"datABCDEF.tmp"_s, "not claimed by any instance");
    writeFile(GetTempFolder() + u"notes.tmp"_s, "the user's");
    ASSERT_EQ(files().size(), 8) << files().join(u' ').toStdString();
    {
        TempFileClaim ours;
        const QString own = GetTempFileName(u"cmh"_s);
        EXPECT_TRUE(QFileInfo(own).fileName().startsWith(u"cmh"_s + TempFileClaim::currentTag()));

        EXPECT_EQ(RemoveLeftoverTempFiles(), 3) << "two files and the lock of the killed instance";
        EXPECT_EQ(files().size(), 7) << "ours and the running one's stay: " << files().join(u' ').toStdString();
        EXPECT_TRUE(files().contains(u"datABCDEF.tmp"_s) && files().contains(u"notes.tmp"_s));
        DeleteFileQuiet(own);
    }
    kill(running, SIGKILL);
    waitpid(running, nullptr, 0);
    EXPECT_EQ(RemoveLeftoverTempFiles(), 3) << "now that one has ended too";
    EXPECT_EQ(files(), (QStringList{u"datABCDEF.tmp"_s, u"notes.tmp"_s})) << "our lock went with our claim";
}

}  // namespace quillon
