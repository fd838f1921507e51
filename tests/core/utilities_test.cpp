#include "testfiles.h"
#include "utilities.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace quillon;
using namespace Qt::Literals::StringLiterals;
using quillon::testing::readAll;
using quillon::testing::writeFile;

TEST(PathUtilities, SplitAtTheLastSlashAndDot)
{
    EXPECT_EQ(GetExtension(u"/dats/mame.0.78/list"_s), u""_s) << "the folder's dot is not the extension";
    EXPECT_EQ(GetExtension(u"archive.tar.gz"_s), u"gz"_s);
    EXPECT_EQ(GetFileTitle(u"/dats/mame.0.78/list"_s, true), u"/dats/mame.0.78/list"_s);
    EXPECT_EQ(GetFileTitle(u"/dats/set.dat.zip"_s, false), u"set.dat"_s);
    EXPECT_EQ(GetParentFolder(u"/set.dat"_s), u"/"_s);
    EXPECT_EQ(GetParentFolder(u"c:set.dat"_s), u""_s) << "a colon is an ordinary character";
    EXPECT_EQ(AddQuotes(u"\"a b"_s), u"\"a b\""_s);
    EXPECT_EQ(RemoveQuotes(u"\"a"_s), u"a"_s);
}

class FileUtilities : public ::testing::Test {
protected:
    QString path(const QString& name) const { return folder.filePath(name); }
    QStringList files() const { return QDir(folder.path()).entryList(QDir::Files | QDir::Hidden | QDir::System); }

    QTemporaryDir folder;
};

TEST_F(FileUtilities, JoinTextFilesAppendsCrLfAfterEachSourceOrKeepsTheDestination)
{
    writeFile(path(u"header"_s), "clrmamepro (\r\n)");
    writeFile(path(u"body"_s), QByteArray("game ( name \xe9t\xe9 )", 17));
    const QString destination = path(u"out.dat"_s);
    writeFile(destination, "an older, longer result that must disappear");

    EXPECT_TRUE(JoinTextFiles(destination, {path(u"header"_s), path(u"body"_s)}));
    const QByteArray joined("clrmamepro (\r\n)\r\ngame ( name \xe9t\xe9 )\r\n", 36);
    EXPECT_EQ(readAll(destination), joined);

    EXPECT_FALSE(JoinTextFiles(destination, {path(u"header"_s), path(u"missing"_s)}));
    EXPECT_EQ(readAll(destination), joined);
    EXPECT_EQ(files().size(), 3) << "no temporary file is left";
}

TEST_F(FileUtilities, CopyFileReplacingReplacesThroughALinkKeepingPermissionsAndOnlyWhenComplete)
{
    const QString target = path(u"real.dat"_s);
    const QString link = path(u"link.dat"_s);
    const QByteArray bytes("new\r\n\0bytes", 11);
    writeFile(target, "old content, longer than the new one", QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
    ASSERT_TRUE(QFile::link(target, link));
    writeFile(path(u"new.dat"_s), bytes);

    EXPECT_TRUE(CopyFileReplacing(path(u"new.dat"_s), link));
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(readAll(target), bytes);
    EXPECT_EQ(QFile::permissions(target),
              QFile::ReadOwner | QFile::ReadUser | QFile::WriteOwner | QFile::WriteUser | QFile::ReadGroup);

    const Outcome missing = CopyFileReplacing(path(u"missing.dat"_s), link);
    EXPECT_TRUE(!missing && missing.reason().contains(u"No such file"_s)) << missing.reason().toStdString();
    EXPECT_EQ(readAll(target), bytes);
    EXPECT_EQ(files().size(), 3) << "no temporary file is left";
}

TEST_F(FileUtilities, AReadOnlyFileIsNotReplaced)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root writes over read-only files";
    const QString target = path(u"kept.dat"_s);
    writeFile(target, "kept", QFile::ReadOwner);
    writeFile(path(u"new.dat"_s), "new");
    EXPECT_EQ(CopyFileReplacing(path(u"new.dat"_s), target).reason(), target + u": Permission denied"_s);
    EXPECT_EQ(readAll(target), "kept");
}

TEST_F(FileUtilities, APipeIsWrittenInPlaceNotReplaced)
{
    const QByteArray pipePath = QFile::encodeName(path(u"pipe"_s));
    ASSERT_EQ(mkfifo(pipePath.constData(), 0600), 0);
    const int reader = ::open(pipePath.constData(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    writeFile(path(u"new.dat"_s), "bytes");

    EXPECT_TRUE(CopyFileReplacing(path(u"new.dat"_s), path(u"pipe"_s)));
    char received[16] = {};
    EXPECT_EQ(::read(reader, received, sizeof received), 5);
    EXPECT_STREQ(received, "bytes");
    ::close(reader);
    EXPECT_TRUE(QFileInfo::exists(path(u"pipe"_s)) && !QFileInfo(path(u"pipe"_s)).isFile())
        << "still the pipe, not a file renamed over it";
}
