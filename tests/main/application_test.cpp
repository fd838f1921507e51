// The quillon program itself, started as a user would, on the offscreen platform.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>

namespace {

constexpr int waitMs = 15000;

bool waitForFile(const QString& path)
{
    for (int waited = 0; waited < waitMs; waited += 50) {
        if (QFileInfo::exists(path))
            return true;
        QThread::msleep(50);
    }
    return false;
}

bool waitForNoFile(const QString& path)
{
    for (int waited = 0; waited < waitMs; waited += 50) {
        if (!QFileInfo::exists(path))
            return true;
        QThread::msleep(50);
    }
    return false;
}

QProcessEnvironment environmentIn(const QTemporaryDir& home)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    environment.insert("XDG_CONFIG_HOME", home.filePath("config"));
    environment.insert("XDG_STATE_HOME", home.filePath("state"));
    environment.insert("XDG_RUNTIME_DIR", home.filePath("runtime"));
    environment.insert("TMPDIR", home.filePath("tmp"));
    return environment;
}

// Starts quillon and waits until it listens, which it does once it has claimed its files.
bool startQuillon(QProcess& quillon, const QTemporaryDir& home)
{
    QFile::remove(home.filePath("runtime/quillon.socket"));
    quillon.setProcessEnvironment(environmentIn(home));
    quillon.setProcessChannelMode(QProcess::ForwardedChannels);
    quillon.start(QUILLON_PATH, {});
    return quillon.waitForStarted(waitMs) && waitForFile(home.filePath("runtime/quillon.socket"));
}

}  // namespace

TEST(Application, AKilledInstancesTemporaryFilesGoAtTheNextStart)
{
    QTemporaryDir home;
    ASSERT_TRUE(QDir(home.path()).mkpath("tmp"));
    QProcess killed;
    ASSERT_TRUE(startQuillon(killed, home));
    const QStringList locks = QDir(home.filePath("tmp")).entryList({"quillon-*.lock"}, QDir::Files);
    ASSERT_EQ(locks.size(), 1);
    const QString tag = locks.first().mid(8, 8);
    const QString extracted = home.filePath("tmp/dat" + tag + "Ab12Cd.tmp");
    QFile(extracted).open(QIODevice::WriteOnly);
    const QString usersFile = home.filePath("tmp/dat12345678Ab12Cd.tmp");
    QFile(usersFile).open(QIODevice::WriteOnly);
    ::kill(static_cast<pid_t>(killed.processId()), SIGKILL);
    ASSERT_TRUE(killed.waitForFinished(waitMs));

    QProcess next;
    ASSERT_TRUE(startQuillon(next, home));
    EXPECT_TRUE(waitForNoFile(extracted));
    EXPECT_FALSE(QFileInfo::exists(home.filePath("tmp/" + locks.first())));
    EXPECT_TRUE(QFileInfo::exists(usersFile)) << "a name no instance claimed is left alone";

    ::kill(static_cast<pid_t>(next.processId()), SIGTERM);
    ASSERT_TRUE(next.waitForFinished(waitMs));
    EXPECT_EQ(QDir(home.filePath("tmp")).entryList(QDir::Files), QStringList{"dat12345678Ab12Cd.tmp"})
        << "a clean exit leaves no lock behind";
}

TEST(Application, StartsAndClosesCleanlyWhenAskedToTerminate)
{
    QTemporaryDir home;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    environment.insert("XDG_CONFIG_HOME", home.filePath("config"));
    environment.insert("XDG_STATE_HOME", home.filePath("state"));
    environment.insert("XDG_RUNTIME_DIR", home.filePath("runtime"));

    QProcess quillon;
    quillon.setProcessEnvironment(environment);
    quillon.setProcessChannelMode(QProcess::ForwardedChannels);
    quillon.start(QUILLON_PATH, {});
    ASSERT_TRUE(quillon.waitForStarted(waitMs));
    ASSERT_TRUE(waitForFile(home.filePath("runtime/quillon.socket"))) << "the running instance listens";

    ::kill(static_cast<pid_t>(quillon.processId()), SIGTERM);
    ASSERT_TRUE(quillon.waitForFinished(waitMs));
    EXPECT_EQ(quillon.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(quillon.exitCode(), 0);
}
