#include "atomicfile.h"
#include "filesizelimit.h"
#include "privatefolder.h"
#include "prompter.h"
#include "settingkeys.h"
#include "tempfileclaim.h"
#include "tempstore.h"
#include "utilities.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace quillon;
using namespace Qt::Literals::StringLiterals;
using quillon::testing::readAll;
using quillon::testing::writeFile;

namespace {

constexpr int waitMs = 10000;

// One start of the probe, which applies the single-instance rule as the application does.
// Going out of scope kills it as a crash would, without its clean-up.
class Probe {
public:
    Probe(const QString& settingsPath, const QString& socketPath)
    {
        process_.start(QStringLiteral(INSTANCE_PROBE), {settingsPath, socketPath});
    }
    ~Probe()
    {
        process_.kill();
        process_.waitForFinished(waitMs);
    }

    // Every line printed up to `last`, or up to the end of the output should it never come.
    QStringList linesUntil(const QString& last)
    {
        while (!lines_.contains(last) && (process_.canReadLine() || process_.waitForReadyRead(waitMs)))
            while (process_.canReadLine())
                lines_.append(QString::fromUtf8(process_.readLine()).trimmed());
        return lines_;
    }
    bool endedNormally()
    {
        return process_.waitForFinished(waitMs) && process_.exitStatus() == QProcess::NormalExit
               && process_.exitCode() == 0;
    }

private:
    QProcess process_;
    QStringList lines_;
};

class SingleInstanceTest : public ::testing::Test {
protected:
    Probe start() { return Probe(settings.path(), socket); }
    void allowSeveral(const QString& value)
    {
        settings.store().write(keys::MultipleInstances, value);
        settings.store().sync();
    }

    QTemporaryDir runtime;
    quillon::testing::TempStore settings;
    QString socket = runtime.filePath(u"quillon.socket"_s);
    const QStringList running{u"running"_s};
};

}  // namespace

TEST_F(SingleInstanceTest, SecondStartIsRefusedAndRaisesTheFirstEvenOverAStaleSocket)
{
    ASSERT_EQ(start().linesUntil(u"running"_s), running);
    ASSERT_TRUE(QFileInfo::exists(socket)) << "a killed instance leaves its socket behind";
    Probe first = start();
    ASSERT_EQ(first.linesUntil(u"running"_s), running);

    Probe second = start();
    const QString refused = u"message: Quillon is already running.|Stop!|%1"_s.arg(int(PromptIcon::Exclamation));
    EXPECT_EQ(second.linesUntil(u"ended"_s), (QStringList{refused, u"ended"_s}));
    EXPECT_TRUE(second.endedNormally());
    EXPECT_TRUE(first.linesUntil(u"activated"_s).contains(u"activated"_s));
}

TEST_F(SingleInstanceTest, SeveralInstancesWhenTheSettingsAllowIt)
{
    allowSeveral(u"2"_s);
    Probe first = start();
    ASSERT_EQ(first.linesUntil(u"running"_s), running);
    EXPECT_EQ(start().linesUntil(u"running"_s), running);

    allowSeveral(u"0"_s);
    EXPECT_TRUE(start().linesUntil(u"ended"_s).contains(u"ended"_s)) << "a later start still finds the running ones";
}

// A private folder of the test's own, so that it sees every file an instance leaves.
class LeftoverTempFiles : public ::testing::Test {
protected:
    LeftoverTempFiles() : oldRuntime_(qgetenv("XDG_RUNTIME_DIR"))
    {
        qputenv("XDG_RUNTIME_DIR", runtime_.path().toLocal8Bit());
        EXPECT_TRUE(PreparePrivateFolder());
    }
    ~LeftoverTempFiles() override { qputenv("XDG_RUNTIME_DIR", oldRuntime_); }

    QStringList files() const { return QDir(GetTempFolder()).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name); }

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
    QTemporaryDir runtime_;
    QByteArray oldRuntime_;
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

// A DAT half written beside the user's when an instance was killed goes at a later start; the
// user's DAT and anything a list names that is no such file stay.
TEST_F(LeftoverTempFiles, HalfWrittenFilesOfAKilledInstanceGoAndNothingElse)
{
    const QTemporaryDir userFolder;
    const QString dat = userFolder.filePath(u"game.dat"_s);
    writeFile(dat, "the user's DAT");
    writeFile(userFolder.filePath(u"notes.txt"_s), "the user's notes");
    const pid_t child = fork();
    if (child == 0) {
        TempFileClaim claim;
        AtomicFile file(dat);
        _exit(file.open() && file.write("half of the new one") ? 0 : 1);  // killed: no commit, no clean-up
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    const QDir user(userFolder.path());
    ASSERT_EQ(user.entryList(QDir::Files | QDir::Hidden).size(), 3) << "the half-written file is there";
    // A killed instance whose list names the user's own files.
    writeFile(GetTempFolder() + u"quillon-abcdefgh.lock"_s, {});
    writeFile(GetTempFolder() + u"quillon-abcdefgh.pending"_s, QFile::encodeName(dat) + '\0'
                  + QFile::encodeName(userFolder.filePath(u"notes.txt"_s)) + '\0');
    {
        TempFileClaim ours;
        AtomicFile own(userFolder.filePath(u"own.dat"_s));
        ASSERT_TRUE(own.open());
        EXPECT_EQ(RemoveLeftoverTempFiles(), 3) << "the half-written file and the two locks";
        EXPECT_EQ(user.entryList(QDir::Files | QDir::Hidden).size(), 3) << "what this instance writes stays";
        EXPECT_TRUE(own.commit());
        EXPECT_EQ(files().size(), 1) << "a committed file is no longer listed: " << files().join(u' ').toStdString();
    }
    EXPECT_EQ(user.entryList(QDir::Files | QDir::Hidden), (QStringList{u"game.dat"_s, u"notes.txt"_s, u"own.dat"_s}));
    EXPECT_EQ(readAll(dat), "the user's DAT");
    EXPECT_TRUE(files().isEmpty()) << files().join(u' ').toStdString();
}

// Whatever stands in the place of a lock or a list (a pipe, a link) is neither waited on nor
// followed: the start goes on and the file a link names stays.
TEST_F(LeftoverTempFiles, APipeOrALinkInPlaceOfAListNeitherBlocksNorIsFollowed)
{
    const QTemporaryDir userFolder;
    const QString notes = userFolder.filePath(u"notes.txt"_s);
    writeFile(notes, "the user's notes");
    const QByteArray folder = QFile::encodeName(GetTempFolder());
    ASSERT_EQ(mkfifo(QByteArray(folder + "quillon-abcdefgh.pending").constData(), 0600), 0);
    writeFile(GetTempFolder() + u"quillon-abcdefgh.lock"_s, {});
    ASSERT_EQ(mkfifo(QByteArray(folder + "quillon-bcdefghi.lock").constData(), 0600), 0);
    ASSERT_EQ(symlink(QFile::encodeName(notes).constData(), QByteArray(folder + "quillon-cdefghij.pending").constData()), 0);
    writeFile(GetTempFolder() + u"quillon-cdefghij.lock"_s, {});
    const pid_t child = fork();
    if (child == 0) {
        alarm(10);  // a start that waits on a pipe ends here
        TempFileClaim claim;
        RemoveLeftoverTempFiles();
        // Our own list replaced by a pipe is not written into either.
        const QByteArray list = folder + "quillon-" + TempFileClaim::currentTag().toLatin1() + ".pending";
        const bool planted = mkfifo(list.constData(), 0600) == 0;
        AtomicFile file(userFolder.filePath(u"new.dat"_s));
        _exit(planted && file.open() && file.commit() ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
    EXPECT_EQ(readAll(notes), "the user's notes");
    EXPECT_TRUE(QFileInfo(notes).isFile());
}

// A file beside the user's is listed before it exists: killed between the two, an instance
// leaves nothing a later start cannot find.
TEST_F(LeftoverTempFiles, AFileBesideTheUsersIsListedBeforeItIsMade)
{
    const QTemporaryDir userFolder;
    const QString dat = userFolder.filePath(u"game.dat"_s);
    writeFile(dat, "the user's DAT");
    // The list is the first thing written, and the limit cuts it.
    EXPECT_TRUE(quillon::testing::KilledByFileSizeLimit(1, [&dat] {
        AtomicFile file(dat);
        (void)file.open();
    }));
    RemoveLeftoverTempFiles();
    EXPECT_EQ(QDir(userFolder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{u"game.dat"_s});
    EXPECT_EQ(readAll(dat), "the user's DAT");
}
