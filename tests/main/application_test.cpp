// The quillon program itself, started as a user would, on the offscreen platform.
#include "maintesting.h"

#include <QThread>

#include <csignal>

namespace {

constexpr int waitMs = 15000;

bool waitUntil(const std::function<bool()>& done)
{
    for (int waited = 0; waited < waitMs && !done(); waited += 50)
        QThread::msleep(50);
    return done();
}

// Starts quillon and waits until it listens for other instances.
bool startQuillon(QProcess& quillon, const QTemporaryDir& home)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    environment.insert(u"XDG_CONFIG_HOME"_s, home.filePath(u"config"_s));
    environment.insert(u"XDG_STATE_HOME"_s, home.filePath(u"state"_s));
    environment.insert(u"XDG_RUNTIME_DIR"_s, home.filePath(u"runtime"_s));
    environment.insert(u"TMPDIR"_s, home.filePath(u"tmp"_s));
    const QString socket = home.filePath(u"runtime/quillon/quillon.socket"_s);
    QFile::remove(socket);
    quillon.setProcessEnvironment(environment);
    quillon.setProcessChannelMode(QProcess::ForwardedChannels);
    quillon.start(QStringLiteral(QUILLON_PATH), {});
    return quillon.waitForStarted(waitMs) && waitUntil([&socket] { return QFileInfo::exists(socket); });
}

}  // namespace

TEST(Application, AKilledInstancesTemporaryFilesGoAtTheNextStartAndACleanExitLeavesNone)
{
    QTemporaryDir home;
    ASSERT_TRUE(QDir(home.path()).mkpath(u"tmp"_s) && QDir(home.path()).mkpath(u"runtime"_s));
    const QString own = home.filePath(u"runtime/quillon/"_s);
    QProcess killed;
    ASSERT_TRUE(startQuillon(killed, home));
    // It claims its temporary files after it listens.
    QStringList locks;
    ASSERT_TRUE(waitUntil([&] {
        locks = QDir(own).entryList({u"quillon-*.lock"_s}, QDir::Files);
        return locks.size() == 1;
    }));
    const QString extracted = own + u"dat"_s + locks.first().mid(8, 8) + u"Ab12Cd.tmp"_s;
    QFile(extracted).open(QIODevice::WriteOnly);
    const QString usersFile = u"dat12345678Ab12Cd.tmp"_s;
    QFile(own + usersFile).open(QIODevice::WriteOnly);
    ::kill(static_cast<pid_t>(killed.processId()), SIGKILL);
    ASSERT_TRUE(killed.waitForFinished(waitMs));

    QProcess next;
    ASSERT_TRUE(startQuillon(next, home));
    EXPECT_TRUE(waitUntil([&extracted] { return !QFileInfo::exists(extracted); }));
    ::kill(static_cast<pid_t>(next.processId()), SIGTERM);
    ASSERT_TRUE(next.waitForFinished(waitMs));
    EXPECT_EQ(next.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(next.exitCode(), 0);
    EXPECT_EQ(QDir(own).entryList(QDir::Files), QStringList{usersFile})
        << "a name no instance claimed is left alone, and neither lock is left behind";
}
