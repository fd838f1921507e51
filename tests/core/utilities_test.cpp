#include "testfiles.h"
#include "utilities.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace quillon;

using quillon::testing::readAll;
using quillon::testing::writeFile;

TEST(PathUtilities, SplitAtTheLastSlash)
{
    EXPECT_EQ(GetExtension("/dats/mame.0.78/list.dat"), "dat");
    EXPECT_EQ(GetExtension("/dats/mame.0.78/list"), "") << "the folder's dot is not the extension";
    EXPECT_EQ(GetExtension("archive.tar.gz"), "gz");

    EXPECT_EQ(GetFileTitle("/dats/mame.0.78/list", false), "list");
    EXPECT_EQ(GetFileTitle("/dats/mame.0.78/list", true), "/dats/mame.0.78/list");
    EXPECT_EQ(GetFileTitle("/dats/set.dat.zip", true), "/dats/set.dat");
    EXPECT_EQ(GetFileTitle("/dats/set.dat.zip", false), "set.dat");

    EXPECT_EQ(GetParentFolder("/dats/new/set.dat"), "/dats/new");
    EXPECT_EQ(GetParentFolder("/set.dat"), "/");
    EXPECT_EQ(GetParentFolder("set.dat"), "");
    EXPECT_EQ(GetParentFolder("c:set.dat"), "") << "a colon is an ordinary character";
}

TEST(TextUtilities, QuotesAndNuls)
{
    EXPECT_EQ(AddQuotes(""), "");
    EXPECT_EQ(AddQuotes("a b"), "\"a b\"");
    EXPECT_EQ(AddQuotes("\"a b"), "\"a b\"");
    EXPECT_EQ(AddQuotes("a b\""), "\"a b\"");
    EXPECT_EQ(AddQuotes("\""), "\"");
    EXPECT_EQ(RemoveQuotes("\"a b\""), "a b");
    EXPECT_EQ(RemoveQuotes("\"a"), "a");
    EXPECT_EQ(RemoveQuotes("\""), "");
}

TEST(FileUtilities, FileExistsOnlyForFiles)
{
    QTemporaryDir folder;
    writeFile(folder.filePath("a.dat"), "x");
    EXPECT_TRUE(FileExists(folder.filePath("a.dat")));
    EXPECT_FALSE(FileExists(folder.path()));
    EXPECT_FALSE(FileExists(folder.filePath("missing.dat")));
    EXPECT_FALSE(FileExists(""));
}

TEST(FileUtilities, TempFilesAreNewEmptyAndUnique)
{
    const QString first = GetTempFileName("dat");
    const QString second = GetTempFileName("dat");
    EXPECT_NE(first, second);
    for (const QString& path : {first, second}) {
        EXPECT_TRUE(path.startsWith(GetTempFolder() + "dat")) << path.toStdString();
        EXPECT_TRUE(path.endsWith(".tmp"));
        EXPECT_TRUE(FileExists(path));
        EXPECT_EQ(QFileInfo(path).size(), 0);
        DeleteFileQuiet(path);
        EXPECT_FALSE(FileExists(path));
    }
    EXPECT_TRUE(GetTempFolder().endsWith('/'));
}

TEST(FileUtilities, JoinTextFilesAppendsCrLfAfterEachSource)
{
    QTemporaryDir folder;
    writeFile(folder.filePath("header"), "clrmamepro (\r\n)");
    writeFile(folder.filePath("body"), QByteArray("game ( name \xe9t\xe9 )", 17));
    const QString destination = folder.filePath("out.dat");
    writeFile(destination, "an older, longer result that must disappear");

    EXPECT_TRUE(JoinTextFiles(destination, {folder.filePath("header"), folder.filePath("body")}));
    EXPECT_EQ(readAll(destination), QByteArray("clrmamepro (\r\n)\r\ngame ( name \xe9t\xe9 )\r\n", 36));
}

TEST(FileUtilities, JoinTextFilesKeepsTheDestinationWhenASourceIsMissing)
{
    QTemporaryDir folder;
    writeFile(folder.filePath("header"), "h");
    const QString destination = folder.filePath("out.dat");
    writeFile(destination, "the user's file");

    EXPECT_FALSE(JoinTextFiles(destination, {folder.filePath("header"), folder.filePath("missing")}));
    EXPECT_EQ(readAll(destination), "the user's file");
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden).size(), 2) << "no temporary file is left";
}

TEST(FileUtilities, CopyFileReplacingReplacesOnlyWhenComplete)
{
    QTemporaryDir folder;
    const QString destination = folder.filePath("game.dat");
    const QByteArray bytes("new\r\n\0bytes", 11);
    writeFile(destination, "old content, longer than the new one");
    writeFile(folder.filePath("new.dat"), bytes);
    EXPECT_TRUE(CopyFileReplacing(folder.filePath("new.dat"), destination));
    EXPECT_EQ(readAll(destination), bytes);

    EXPECT_FALSE(CopyFileReplacing(folder.filePath("missing.dat"), destination));
    EXPECT_EQ(readAll(destination), bytes);
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden).size(), 2) << "no temporary file is left";
}

TEST(FileUtilities, DeleteFileQuietRemovesReadOnlyFilesAndIgnoresMissingOnes)
{
    QTemporaryDir folder;
    const QString path = folder.filePath("locked.dat");
    writeFile(path, "x");
    QFile::setPermissions(path, QFileDevice::ReadOwner);
    DeleteFileQuiet(path);
    EXPECT_FALSE(QFile::exists(path));
    DeleteFileQuiet(path);
}

TEST(FileUtilities, AReplacedFileKeepsItsLinkAndPermissions)
{
    QTemporaryDir folder;
    const QString target = folder.filePath("real.dat");
    const QString link = folder.filePath("link.dat");
    writeFile(target, "old", QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
    ASSERT_TRUE(QFile::link(target, link));
    writeFile(folder.filePath("new.dat"), "new");

    EXPECT_TRUE(CopyFileReplacing(folder.filePath("new.dat"), link));

    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(readAll(target), "new");
    EXPECT_EQ(QFile::permissions(target), QFile::ReadOwner | QFile::ReadUser | QFile::WriteOwner | QFile::WriteUser | QFile::ReadGroup);
}

TEST(FileUtilities, APipeIsWrittenInPlaceNotReplaced)
{
    QTemporaryDir folder;
    const QByteArray pipePath = QFile::encodeName(folder.filePath("pipe"));
    ASSERT_EQ(mkfifo(pipePath.constData(), 0600), 0);
    const int reader = ::open(pipePath.constData(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    writeFile(folder.filePath("new.dat"), "bytes");

    EXPECT_TRUE(CopyFileReplacing(folder.filePath("new.dat"), folder.filePath("pipe")));

    char received[16] = {};
    EXPECT_EQ(::read(reader, received, sizeof received), 5);
    EXPECT_STREQ(received, "bytes");
    ::close(reader);
    struct stat info {};
    ASSERT_EQ(::stat(pipePath.constData(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode)) << "still the pipe, not a file renamed over it";
}

