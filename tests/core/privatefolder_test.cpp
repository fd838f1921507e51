#include "atomicfile.h"
#include "privatefolder.h"
#include "singleinstance.h"
#include "tempfileclaim.h"
#include "testfiles.h"
#include "utilities.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <grp.h>
#include <pwd.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace quillon;
using namespace Qt::Literals::StringLiterals;
using quillon::testing::readAll;
using quillon::testing::writeFile;

namespace {

using Environment = QList<std::pair<const char*, QString>>;

// Sets each variable; an empty value unsets it.
void setEnvironment(const Environment& environment)
{
    for (const auto& [name, value] : environment) {
        if (value.isEmpty())
            qunsetenv(name);
        else
            qputenv(name, value.toLocal8Bit());
    }
}

mode_t modeOf(const QString& path)
{
    struct stat status {};
    return stat(QFile::encodeName(path).constData(), &status) == 0 ? status.st_mode & 07777 : 0;
}

class PrivateFolder : public ::testing::Test {
protected:
    PrivateFolder() { setEnvironment({{"XDG_RUNTIME_DIR", runtime.path()}, {"XDG_CACHE_HOME", cache.path()}}); }
    ~PrivateFolder() override { setEnvironment({{"XDG_RUNTIME_DIR", {}}, {"XDG_CACHE_HOME", {}}}); }

    // The folder is refused with `reason`, and nothing of Quillon's own goes there.
    void expectRefused(const QString& reason)
    {
        const Outcome prepared = PreparePrivateFolder();
        EXPECT_FALSE(prepared);
        EXPECT_EQ(prepared.reason(), PrivateFolderPath() + u": Quillon keeps its own files only in a folder of "_s
                                         u"yours that nobody else can enter, and "_s + reason);
        EXPECT_EQ(GetTempFileName(u"dat"_s), u""_s);
        EXPECT_EQ(SingleInstance::defaultSocketPath(), u""_s);
        const TempFileClaim claim;
        EXPECT_EQ(TempFileClaim::currentTag(), u""_s);
    }

    QTemporaryDir runtime;
    QTemporaryDir cache;
};

}  // namespace

TEST_F(PrivateFolder, IsMadeForTheUserAloneInTheRuntimeFolderElseInTheCache)
{
    ASSERT_TRUE(PreparePrivateFolder());
    EXPECT_EQ(PrivateFolderPath(), runtime.filePath(u"quillon"_s));
    EXPECT_EQ(modeOf(PrivateFolderPath()), 0700u);
    EXPECT_EQ(SingleInstance::defaultSocketPath(), runtime.filePath(u"quillon/quillon.socket"_s));
    const QString file = GetTempFileName(u"dat"_s);
    EXPECT_EQ(QFileInfo(file).path(), PrivateFolderPath());

    setEnvironment({{"XDG_RUNTIME_DIR", {}}});
    ASSERT_TRUE(PreparePrivateFolder());
    EXPECT_EQ(PrivateFolderPath(), cache.filePath(u"Quillon/runtime"_s));
    EXPECT_EQ(modeOf(PrivateFolderPath()), 0700u);
}

TEST_F(PrivateFolder, AFolderOthersCanEnterOrALinkIsRefusedAndLeftAsItIs)
{
    ASSERT_TRUE(PreparePrivateFolder());
    const QByteArray folder = QFile::encodeName(PrivateFolderPath());
    ASSERT_EQ(chmod(folder.constData(), 0750), 0);
    expectRefused(u"other users can enter it"_s);
    EXPECT_EQ(modeOf(PrivateFolderPath()), 0750u) << "not ours to change";

    ASSERT_EQ(rmdir(folder.constData()), 0);
    const QTemporaryDir elsewhere;
    ASSERT_EQ(symlink(QFile::encodeName(elsewhere.path()).constData(), folder.constData()), 0);
    const Outcome prepared = PreparePrivateFolder();
    EXPECT_EQ(prepared.reason(), PrivateFolderPath() + u": it is not a folder"_s);
    EXPECT_EQ(GetTempFileName(u"dat"_s), u""_s);
    EXPECT_TRUE(QDir(elsewhere.path()).isEmpty());
}

namespace {

struct Account {
    uid_t uid = 0;
    gid_t gid = 0;
};

std::optional<Account> account(const char* name)
{
    const passwd* entry = getpwnam(name);
    return entry ? std::optional<Account>(Account{entry->pw_uid, entry->pw_gid}) : std::nullopt;
}

// A child process that runs `act` as `user` with `environment`, and exits 0 when it returned
// true. One that waits for anything longer than a few seconds is ended by an alarm.
pid_t startAs(const Account& user, const Environment& environment, const std::function<bool()>& act)
{
    const pid_t child = fork();
    if (child != 0)
        return child;
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (setgroups(0, nullptr) != 0 || setresgid(user.gid, user.gid, user.gid) != 0
        || setresuid(user.uid, user.uid, user.uid) != 0)
        _exit(3);
    setEnvironment(environment);
    alarm(10);
    _exit(act() ? 0 : 1);
}

// The child's exit status; -1 when a signal (the alarm) ended it.
int finish(pid_t child)
{
    int status = 0;
    if (waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

int runAs(const Account& user, const Environment& environment, const std::function<bool()>& act)
{
    return finish(startAs(user, environment, act));
}

// A file planted by another user: made with everything open to everyone.
bool plant(const QString& path, mode_t type)
{
    const QByteArray native = QFile::encodeName(path);
    const bool made = type == S_IFIFO ? mkfifo(native.constData(), 0666) == 0
                                      : mknod(native.constData(), S_IFREG | 0666, 0) == 0;
    return made && chmod(native.constData(), 0666) == 0;
}

QStringList lockTagsIn(const QString& folder)
{
    QStringList tags;
    for (QString name : QDir(folder).entryList({u"quillon-*.lock"_s}, QDir::Files | QDir::System))
        tags.append(name.mid(8, 8));
    return tags;
}

// Everything under a folder, with each file's content, as root sees it.
QStringList snapshot(const QString& folder)
{
    QStringList entries;
    const QDir root(folder);
    for (const QFileInfo& info : root.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)) {
        entries.append(info.fileName() + u'=' + QString::fromLatin1(info.isDir() ? "" : readAll(info.filePath()).toHex()));
        if (info.isDir() && !info.isSymLink())
            for (const QString& inner : snapshot(info.filePath()))
                entries.append(info.fileName() + u'/' + inner);
    }
    return entries;
}

// Two ordinary users on one machine: the victim (nobody) runs Quillon, the attacker (daemon)
// shares the temporary folder with it and plants what it can where Quillon used to keep its
// files. The victim has no runtime folder, so its private folder is the one in its cache.
class AnotherUser : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (geteuid() != 0)
            GTEST_SKIP() << "playing two users takes root";
        const std::optional<Account> nobody = account("nobody");
        const std::optional<Account> daemon = account("daemon");
        if (!nobody || !daemon)
            GTEST_SKIP() << "the users nobody and daemon are needed";
        victim = *nobody;
        attacker = *daemon;
        ASSERT_EQ(chmod(QFile::encodeName(base.path()).constData(), 0755), 0);
        ASSERT_TRUE(QDir(base.path()).mkpath(u"tmp"_s) && QDir(base.path()).mkpath(u"victim/dats"_s));
        ASSERT_EQ(chmod(QFile::encodeName(shared()).constData(), 01777), 0);
        for (const char* name : {"victim", "victim/dats"})
            ASSERT_EQ(chown(QFile::encodeName(base.filePath(QString::fromLatin1(name))).constData(), victim.uid, victim.gid), 0);
    }

    QString shared() const { return base.filePath(u"tmp"_s); }
    QString victimHome() const { return base.filePath(u"victim"_s); }
    QString victimPrivate() const { return victimHome() + u"/.cache/Quillon/runtime"_s; }
    Environment victimEnvironment() const
    {
        return {{"HOME", victimHome()}, {"XDG_CACHE_HOME", victimHome() + u"/.cache"_s}, {"XDG_RUNTIME_DIR", {}}, {"TMPDIR", shared()}};
    }
    Environment attackerEnvironment() const
    {
        return {{"HOME", shared()}, {"XDG_CACHE_HOME", {}}, {"XDG_RUNTIME_DIR", {}}, {"TMPDIR", shared()}};
    }

    // A Quillon of the victim killed after it made a temporary file and, with `beganDat`,
    // began a DAT.
    void victimInstanceKilled(bool beganDat)
    {
        ASSERT_EQ(runAs(victim, victimEnvironment(), [this, beganDat] {
                      const TempFileClaim claim;
                      AtomicFile dat(victimHome() + u"/dats/game.dat"_s);
                      const bool made = !GetTempFileName(u"dat"_s).isEmpty() && (!beganDat || dat.open());
                      _exit(made ? 0 : 1);  // no clean-up, as when killed
                      return false;
                  }),
                  0);
    }

    // The attacker plants a file of `type` named like the pending list of every victim's lock
    // it can see, and tries the victim's private folder too. False when it got in there.
    bool attackerPlants(mode_t type, const QStringList& tags)
    {
        return runAs(attacker, attackerEnvironment(), [&] {
                   for (const QString& tag : tags)
                       plant(shared() + u"/quillon-"_s + tag + u".pending"_s, type);
                   return !plant(victimPrivate() + u"/quillon-planted.pending"_s, type)
                          && QDir(victimPrivate()).entryList().isEmpty();
               }) == 0;
    }

    QTemporaryDir base;
    Account victim;
    Account attacker;
};

}  // namespace

TEST_F(AnotherUser, APipePlantedForAListHoldsUpNoLaterStart)
{
    victimInstanceKilled(false);
    EXPECT_TRUE(attackerPlants(S_IFIFO, lockTagsIn(shared()) + QStringList{u"abcdefgh"_s}));
    EXPECT_EQ(runAs(victim, victimEnvironment(), [] {
                  const TempFileClaim claim;
                  return RemoveLeftoverTempFiles() == 2;  // the temporary file and the lock
              }),
              0)
        << "the start must neither wait nor miss its own leftovers";
    EXPECT_EQ(QDir(victimPrivate()).entryList(QDir::Files | QDir::System), QStringList());
}

TEST_F(AnotherUser, AFilePlantedForAListReceivesNoNames)
{
    int tagPipe[2];
    int goPipe[2];
    ASSERT_TRUE(pipe(tagPipe) == 0 && pipe(goPipe) == 0);
    const pid_t running = startAs(victim, victimEnvironment(), [&] {
        const TempFileClaim claim;
        const QByteArray tag = TempFileClaim::currentTag().toLatin1();
        char go = 0;
        const auto size = static_cast<size_t>(tag.size());
        if (write(tagPipe[1], tag.constData(), size) != ssize_t(size) || read(goPipe[0], &go, 1) != 1)
            return false;
        AtomicFile dat(victimHome() + u"/dats/game.dat"_s);
        return dat.open() && dat.write("the new DAT") && dat.commit();
    });
    char tag[8] = {};
    ASSERT_EQ(read(tagPipe[0], tag, sizeof tag), ssize_t(sizeof tag));
    const QStringList tags{QString::fromLatin1(tag, sizeof tag)};
    EXPECT_TRUE(attackerPlants(S_IFREG, tags));
    ASSERT_EQ(write(goPipe[1], "1", 1), 1);
    EXPECT_EQ(finish(running), 0);
    for (int end : {tagPipe[0], tagPipe[1], goPipe[0], goPipe[1]})
        close(end);
    EXPECT_EQ(readAll(shared() + u"/quillon-"_s + tags.first() + u".pending"_s), QByteArray());
    EXPECT_EQ(readAll(victimHome() + u"/dats/game.dat"_s), "the new DAT");
}

TEST_F(AnotherUser, ASocketBoundFirstKeepsNoWindowFromOpening)
{
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const QByteArray trap = QFile::encodeName(shared() + u"/quillon-%1.socket"_s.arg(victim.uid));
    const pid_t listening = startAs(attacker, attackerEnvironment(), [&] {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        qstrncpy(address.sun_path, trap.constData(), sizeof address.sun_path);
        const int server = socket(AF_UNIX, SOCK_STREAM, 0);
        if (bind(server, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 || listen(server, 8) != 0
            || chmod(trap.constData(), 0777) != 0)
            return false;
        (void)!write(ready[1], "1", 1);
        pause();
        return true;
    });
    char bound = 0;
    ASSERT_EQ(read(ready[0], &bound, 1), 1);
    EXPECT_EQ(runAs(victim, victimEnvironment(), [] {
                  SingleInstance instance;
                  return !instance.anotherInstanceRuns() && instance.listen();
              }),
              0);
    kill(listening, SIGKILL);
    finish(listening);
    close(ready[0]);
    close(ready[1]);
}

// Root started with a user's environment, as through sudo: it finds that user's folders are not
// its own, and touches nothing of theirs.
TEST_F(AnotherUser, ARootStartLeavesOtherUsersLeftoversAlone)
{
    victimInstanceKilled(true);
    const QStringList before = snapshot(victimHome()) + snapshot(shared());
    ASSERT_FALSE(before.filter(u".part"_s).isEmpty()) << before.join(u' ').toStdString();
    const Account root;
    EXPECT_EQ(runAs(root, victimEnvironment(), [] {
                  const TempFileClaim claim;
                  const Outcome prepared = PreparePrivateFolder();
                  return RemoveLeftoverTempFiles() == 0 && !prepared
                         && prepared.reason().endsWith(u"it belongs to another user"_s);
              }),
              0);
    EXPECT_EQ(snapshot(victimHome()) + snapshot(shared()), before);
}
