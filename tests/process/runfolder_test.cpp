#include "runfolder.h"

#include "testfiles.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>

namespace quillon {

using namespace Qt::Literals::StringLiterals;
using testing::writeFile;

TEST(RunFolder, IsPrivateToItsRunAndGoesWithIt)
{
    QString whyNot;
    QString first;
    {
        const std::unique_ptr<RunFolder> one = RunFolder::create(whyNot);
        const std::unique_ptr<RunFolder> two = RunFolder::create(whyNot);
        ASSERT_TRUE(one && two) << whyNot.toStdString();
        first = one->path();
        EXPECT_TRUE(first.startsWith(RunFoldersRoot() + u"/run-"_s));
        EXPECT_NE(first, two->path());
        EXPECT_EQ(one->datFile(), first + u"/setdelta.dat"_s);
        EXPECT_EQ(QFileInfo(first).permissions() & (QFile::ReadOther | QFile::WriteOther), 0);
        writeFile(one->datFile(), "result");
        QDir(first).mkdir(u"left by the tool"_s);
    }
    EXPECT_FALSE(QFileInfo::exists(first));
    EXPECT_TRUE(QDir(RunFoldersRoot()).entryList({u"run-*"_s}, QDir::Dirs | QDir::Hidden).isEmpty());
}

TEST(RunFolder, CannotBeMadeWhereTheCacheIsAFileAndSaysWhy)
{
    const QByteArray saved = qgetenv("XDG_CACHE_HOME");
    const QString blocked = QString::fromLocal8Bit(saved) + u"/blocked"_s;
    QDir().mkpath(QString::fromLocal8Bit(saved));
    writeFile(blocked, "a file where a folder should be");
    qputenv("XDG_CACHE_HOME", blocked.toLocal8Bit());
    QString whyNot;
    EXPECT_EQ(RunFolder::create(whyNot), nullptr);
    EXPECT_TRUE(whyNot.startsWith(u"Cannot create the folder "_s + blocked + u"/Quillon: "_s)) << whyNot.toStdString();
    qputenv("XDG_CACHE_HOME", saved);
    QFile::remove(blocked);
}

TEST(RemoveLeftoverRunFolders, RemovesOnlyFoldersNoRunningInstanceOwns)
{
    QString whyNot;
    const std::unique_ptr<RunFolder> ours = RunFolder::create(whyNot);
    ASSERT_TRUE(ours) << whyNot.toStdString();
    const QString root = RunFoldersRoot();
    const QString leftover = root + u"/run-killed"_s;
    QDir().mkpath(leftover + u"/deeper"_s);
    writeFile(leftover + u"/setdelta.dat"_s, "from a killed run");
    const QString notOurs = root + u"/keep-me"_s;
    QDir().mkpath(notOurs);
    // Another process owns this one for as long as it sleeps.
    const QString othersFolder = root + u"/run-other"_s;
    QDir().mkpath(othersFolder);
    QProcess other;
    other.start(u"flock"_s, {u"-o"_s, othersFolder, u"-c"_s, u"echo locked; exec sleep 20"_s});
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

}  // namespace quillon
