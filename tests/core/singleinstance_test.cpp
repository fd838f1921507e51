#include "prompter.h"
#include "settingkeys.h"
#include "singleinstance.h"
#include "tempstore.h"

#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace quillon;
using quillon::testing::TempStore;

namespace {

constexpr int waitMs = 10000;

// One start of the probe, which applies the single-instance rule as the application does.
class Probe {
public:
    Probe(const QString& settingsPath, const QString& socketPath)
    {
        process_.start(INSTANCE_PROBE, {settingsPath, socketPath});
    }
    ~Probe()
    {
        process_.kill();
        process_.waitForFinished(waitMs);
    }

    // Reads lines until one equals `line`; false at the end of output.
    bool waitForLine(const QString& line)
    {
        while (true) {
            while (process_.canReadLine()) {
                const QString read = QString::fromUtf8(process_.readLine()).trimmed();
                lines_.append(read);
                if (read == line)
                    return true;
            }
            if (!process_.waitForReadyRead(waitMs))
                return false;
        }
    }
    bool finishedNormally()
    {
        return process_.waitForFinished(waitMs) && process_.exitStatus() == QProcess::NormalExit
               && process_.exitCode() == 0;
    }
    const QStringList& lines() const { return lines_; }

private:
    QProcess process_;
    QStringList lines_;
};

// A socket file as a crashed instance leaves it: bound, then abandoned without listening.
void leaveStaleSocket(const QString& path)
{
    const int descriptor = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray encoded = path.toLocal8Bit();
    std::copy(encoded.begin(), encoded.end(), address.sun_path);
    ASSERT_EQ(::bind(descriptor, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::close(descriptor);
}

class SingleInstanceTest : public ::testing::Test {
protected:
    QTemporaryDir runtime;
    TempStore settings;
    QString socket = runtime.filePath("quillon.socket");
};

const QString alreadyRunning = QString("message: Quillon is already running.|Stop!|%1")
                                   .arg(static_cast<int>(PromptIcon::Exclamation));

}  // namespace

TEST_F(SingleInstanceTest, SecondStartIsRefusedAndRaisesTheFirst)
{
    Probe first(settings.path(), socket);
    ASSERT_TRUE(first.waitForLine("running"));

    Probe second(settings.path(), socket);
    ASSERT_TRUE(second.waitForLine("ended"));
    EXPECT_EQ(second.lines(), (QStringList{alreadyRunning, "ended"}));
    EXPECT_TRUE(second.finishedNormally());

    EXPECT_TRUE(first.waitForLine("activated"));
}

TEST_F(SingleInstanceTest, SeveralInstancesWhenTheSettingsAllowIt)
{
    settings.store().write(keys::MultipleInstances, "2");
    settings.store().sync();
    Probe first(settings.path(), socket);
    ASSERT_TRUE(first.waitForLine("running"));
    Probe second(settings.path(), socket);
    EXPECT_TRUE(second.waitForLine("running"));
    EXPECT_EQ(second.lines(), QStringList{"running"});

    settings.store().write(keys::MultipleInstances, "0");
    settings.store().sync();
    Probe third(settings.path(), socket);
    EXPECT_TRUE(third.waitForLine("ended")) << "a later start still finds the running ones";
}

TEST_F(SingleInstanceTest, StaleSocketDoesNotBlockTheNextStart)
{
    leaveStaleSocket(socket);
    Probe probe(settings.path(), socket);
    EXPECT_TRUE(probe.waitForLine("running"));
    EXPECT_EQ(probe.lines(), QStringList{"running"});

    Probe second(settings.path(), socket);
    EXPECT_TRUE(second.waitForLine("ended")) << "the replaced socket is live";
}
