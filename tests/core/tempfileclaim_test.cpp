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

using namespace Qt::Literals::StringLiterals;
using testing::writeFile;

// The temporary folder of the test's own, so that it sees every file an instance leaves.
class LeftoverTempFiles : public ::testing::Test {
protected:
    LeftoverTempFiles() : oldTemp_(qgetenv("TMPDIR")) { qputenv("TMPDIR", temp_.path().toLocal8Bit()); }
    ~LeftoverTempFiles() override { qputenv("TMPDIR", oldTemp_); }

    QStringList files() const { return QDir(temp_.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name); }

    // An instance in a child process that claims its files and makes two. Without `release` it
    // ends at once; with it, it runs until that pipe is closed. Either way it ends without the
    // claim's clean-up, as a killed instance does.
    pid_t startInstance(int* release = nullptr)
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
            char made = GetTempFileName(u"dat"_s).isEmpty() || GetTempFileName(u"cmh"_s).isEmpty() ? '0' : '1';
            (void)!write(ready[1], &made, 1);
            if (release)
                (void)!read(stay[0], &made, 1);
            _exit(0);
        }
        close(ready[1]);
        close(stay[0]);
        char made = 0;
        EXPECT_EQ(read(ready[0], &made, 1), 1);
        EXPECT_EQ(made, '1');
        close(ready[0]);
        if (release) {
            *release = stay[1];
        } else {
            close(stay[1]);
            waitpid(child, nullptr, 0);
        }
        return child;
    }

private:
    QTemporaryDir temp_;
    QByteArray oldTemp_;
};

TEST_F(LeftoverTempFiles, OnlyTheFilesOfInstancesThatAreGoneAreRemoved)
{
    int release = -1;
    const pid_t running = startInstance(&release);
    startInstance();
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
    close(release);
    waitpid(running, nullptr, 0);
    EXPECT_EQ(RemoveLeftoverTempFiles(), 3) << "now that one has ended too";
    EXPECT_EQ(files(), (QStringList{u"datABCDEF.tmp"_s, u"notes.tmp"_s})) << "our lock went with our claim";
}

}  // namespace
}  // namespace quillon
