#include "runfolder.h"

#include "testfiles.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>

namespace quillon {
namespace {

using testing::writeFile;

QStringList runFolders()
{
    return QDir(RunFoldersRoot()).entryList({QStringLiteral("run-*")}, QDir::Dirs | QDir::Hidden);
}

TEST(RunFolder, IsPrivateToItsRunAndGoesWithIt)
{
    QString whyNot;
    QString first;
    {
        const std::unique_ptr<RunFolder> one = RunFolder::create(whyNot);
        const std::unique_ptr<RunFolder> two = RunFolder::create(whyNot);
        ASSERT_TRUE(one && two) << whyNot.toStdString();
        first = one->path();
        EXPECT_TRUE(first.startsWith(RunFoldersRoot() + "/run-"));
        EXPECT_NE(first, two->path());
        EXPECT_EQ(one->datFile(), first + "/setdelta.dat");
        EXPECT_EQ(one->logFile(), first + "/setdelta.log");
        EXPECT_EQ(QFileInfo(first).permissions() & (QFile::ReadOther | QFile::WriteOther), 0);
        writeFile(one->datFile(), "result");
        QDir(first).mkdir("left by the tool");
    }
    EXPECT_FALSE(QFileInfo::exists(first));
    EXPECT_TRUE(runFolders().isEmpty());
}

TEST(RunFolder, RootFollowsXdgCacheHome)
{
    const QByteArray saved = qgetenv("XDG_CACHE_HOME");
    qputenv("XDG_CACHE_HOME", "/var/cache/someone");
    EXPECT_EQ(RunFoldersRoot(), "/var/cache/someone/Quillon");
    qputenv("XDG_CACHE_HOME", "relative/is/ignored");
    EXPECT_EQ(RunFoldersRoot(), QDir::homePath() + "/.cache/Quillon");
    qputenv("XDG_CACHE_HOME", saved);
}

TEST(RunFolder, CannotBeMadeWhereTheCacheIsAFile)
{
    const QByteArray saved = qgetenv("XDG_CACHE_HOME");
    const QString blocked = QString::fromLocal8Bit(saved) + "/blocked";
    QDir().mkpath(QString::fromLocal8Bit(saved));
    writeFile(blocked, "a file where a folder should be");
    qputenv("XDG_CACHE_HOME", blocked.toLocal8Bit());
    QString whyNot;
    EXPECT_EQ(RunFolder::create(whyNot), nullptr);
    EXPECT_TRUE(whyNot.startsWith("Cannot create the folder " + blocked + "/Quillon: ")) << whyNot.toStdString();
    qputenv("XDG_CACHE_HOME", saved);
    QFile::remove(blocked);
}

TEST(RemoveLeftoverRunFolders, RemovesOnlyFoldersNoRunningInstanceOwns)
{
    QString whyNot;
    const std::unique_ptr<RunFolder> ours = RunFolder::create(whyNot);
    ASSERT_TRUE(ours) << whyNot.toStdString();
    const QString leftover = RunFoldersRoot() + "/run-killed";
    QDir().mkpath(leftover + "/deeper");
    writeFile(leftover + "/setdelta.dat", "from a killed run");
    const QString notOurs = RunFoldersRoot() + "/keep-me";
    QDir().mkpath(notOurs);
    // Another process owns this one for as long as it sleeps.
    const QString othersFolder = RunFoldersRoot() + "/run-other";
    QDir().mkpath(othersFolder);
    QProcess other;
    other.start("flock", {"-o", othersFolder, "-c", "echo locked; exec sleep 20"});
    ASSERT_TRUE(other.waitForReadyRead(10000));

    RemoveLeftoverRunFolders();

    EXPECT_FALSE(QFileInfo::exists(leftover));
    EXPECT_TRUE(QFileInfo::exists(ours->path()));
    EXPECT_TRUE(QFileInfo::exists(othersFolder));
    EXPECT_TRUE(QFileInfo::exists(notOurs));
    other.kill();
    other.waitForFinished();
    RemoveLeftoverRunFolders();
    EXPECT_FALSE(QFileInfo::exists(othersFolder));
    EXPECT_TRUE(QFileInfo::exists(ours->path()));
    QDir(notOurs).removeRecursively();
}

}  // namespace
}  // namespace quillon
