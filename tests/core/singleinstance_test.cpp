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
