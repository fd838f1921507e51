#include "prompter.h"
#include "settingkeys.h"
#include "tempstore.h"

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace quillon;
using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int waitMs = 10000;

// One start of the probe, which applies the single-instance rule as the application does.
class Probe {
public:
    Probe(const QString& settingsPath, const QString& socketPath)
    {
        process_.start(QStringLiteral(INSTANCE_PROBE), {settingsPath, socketPath});
    }
    ~Probe()  // kills the probe as a crash would, without its clean-up
    {
        process_.kill();
        process_.waitForFinished(waitMs);
    }

    // Reads lines until one equals `line`; false at the end of output.
    bool waitForLine(const QString& line)
    {
        while (!lines_.contains(line)) {
            if (!process_.canReadLine() && !process_.waitForReadyRead(waitMs))
                return false;
            while (process_.canReadLine())
                lines_.append(QString::fromUtf8(process_.readLine()).trimmed());
        }
        return true;
    }
    bool endedNormally()
    {
        return process_.waitForFinished(waitMs) && process_.exitStatus() == QProcess::NormalExit
               && process_.exitCode() == 0;
    }
    const QStringList& lines() const { return lines_; }

private:
    QProcess process_;
    QStringList lines_;
};

class SingleInstanceTest : public ::testing::Test {
protected:
    void allowSeveral(const char* value)
    {
        settings.store().write(keys::MultipleInstances, QString::fromLatin1(value));
        settings.store().sync();
    }

    QTemporaryDir runtime;
    quillon::testing::TempStore settings;
    QString socket = runtime.filePath(u"quillon.socket"_s);
};

}  // namespace

TEST_F(SingleInstanceTest, SecondStartIsRefusedAndRaisesTheFirstEvenOverAStaleSocket)
{
    {
        Probe crashed(settings.path(), socket);
        ASSERT_TRUE(crashed.waitForLine(u"running"_s));
    }
    ASSERT_TRUE(QFileInfo::exists(socket)) << "a killed instance leaves its socket behind";
    Probe first(settings.path(), socket);
    ASSERT_TRUE(first.waitForLine(u"running"_s));
    EXPECT_EQ(first.lines(), QStringList{u"running"_s});

    Probe second(settings.path(), socket);
    ASSERT_TRUE(second.waitForLine(u"ended"_s));
    const QString refused = u"message: Quillon is already running.|Stop!|%1"_s.arg(int(PromptIcon::Exclamation));
    EXPECT_EQ(second.lines(), (QStringList{refused, u"ended"_s}));
    EXPECT_TRUE(second.endedNormally());

    EXPECT_TRUE(first.waitForLine(u"activated"_s));
}

TEST_F(SingleInstanceTest, SeveralInstancesWhenTheSettingsAllowIt)
{
    allowSeveral("2");
    Probe first(settings.path(), socket);
    ASSERT_TRUE(first.waitForLine(u"running"_s));
    Probe second(settings.path(), socket);
    EXPECT_TRUE(second.waitForLine(u"running"_s));
    EXPECT_EQ(second.lines(), QStringList{u"running"_s});

    allowSeveral("0");
    Probe third(settings.path(), socket);
    EXPECT_TRUE(third.waitForLine(u"ended"_s)) << "a later start still finds the running ones";
}
