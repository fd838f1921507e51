// The quillon program itself, started as a user would, on the offscreen platform.
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

}  // namespace

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
