#include "filelistbox.h"
#include "qtprinting.h"
#include "testfiles.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMouseEvent>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>

using namespace quillon;
using quillon::testing::writeFile;

namespace {

class FileListBoxTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* name : {"b.dat", "A.DAT", "c.Zip", "d.xml", "e.txt", ".hidden.dat", "noext"})
            writeFile(temp.filePath(name), "x");
        ASSERT_TRUE(QDir(temp.path()).mkdir("folder.dat"));
    }

    QTemporaryDir temp;
    FileListBox list;
};

}  // namespace

TEST_F(FileListBoxTest, ListsMatchingFilesInAnyLetterCaseSortedByName)
{
    ASSERT_TRUE(list.setPath(temp.path()));
    EXPECT_EQ(list.fileNames(), (QStringList{"A.DAT", "b.dat", "c.Zip", "d.xml"}));

    list.setPattern(*FilterPattern(1));
    list.refresh();
    EXPECT_EQ(list.fileNames(), (QStringList{"A.DAT", "b.dat"}));

    list.setPattern(*FilterPattern(2));
    list.refresh();
    EXPECT_EQ(list.fileNames(), QStringList{"c.Zip"});
}

TEST_F(FileListBoxTest, NamesThatAreNotValidUtf8AreShownAsTheSystemDecodesThem)
{
    const QByteArray latin1Name = QFile::encodeName(temp.path()) + "/caf\xe9.dat";
    QFile file;
    ASSERT_TRUE(file.open(fopen(latin1Name.constData(), "w"), QIODevice::WriteOnly, QFile::AutoCloseHandle));
    file.close();
    const QString shown = QFile::decodeName(QByteArray("caf\xe9.dat"));

    ASSERT_TRUE(list.setPath(temp.path()));

    EXPECT_EQ(list.fileNames(), (QStringList{"A.DAT", "b.dat", "c.Zip", shown, "d.xml"}));
}

TEST_F(FileListBoxTest, FilterIndicesOutsideTheListHaveNoPattern)
{
    EXPECT_EQ(FilterPattern(0), "*.dat;*.zip;*.xml");
    EXPECT_EQ(FilterPattern(3), "*.xml");
    EXPECT_FALSE(FilterPattern(-1));
    EXPECT_FALSE(FilterPattern(4));
}

TEST_F(FileListBoxTest, AFolderThatCannotBeOpenedLeavesTheListAsItWas)
{
    int changes = 0;
    QObject::connect(&list, &FileListBox::pathChanged, [&changes] { ++changes; });
    ASSERT_TRUE(list.setPath(temp.path() + "/"));
    EXPECT_EQ(list.path(), temp.path()) << "one spelling per folder";
    EXPECT_TRUE(list.setPath(temp.path()));
    EXPECT_EQ(changes, 1) << "the same folder again is no change";

    EXPECT_FALSE(list.setPath(temp.filePath("missing")));
    EXPECT_FALSE(list.setPath(temp.filePath("b.dat")));
    EXPECT_FALSE(list.setPath(QString()));
    EXPECT_EQ(list.path(), temp.path());
    EXPECT_EQ(list.fileNames().size(), 4);
    EXPECT_EQ(changes, 1);
}

TEST_F(FileListBoxTest, SelectionIsTheSelectedNameAndIsLostOnRefresh)
{
    list.setPath(temp.path());
    EXPECT_EQ(list.fileName(), "");
    list.setCurrentRow(1);
    EXPECT_EQ(list.fileName(), "b.dat");
    list.refresh();
    EXPECT_EQ(list.fileName(), "");
}

TEST(FileListBoxTips, OnlyNamesWiderThanTheListGetATooltip)
{
    QTemporaryDir temp;
    const QString longName = QString(80, u'w') + ".dat";
    writeFile(temp.filePath("a.dat"), "x");
    writeFile(temp.filePath(longName), "x");
    FileListBox list;
    list.resize(150, 200);
    list.show();
    list.setPath(temp.path());
    const QPoint overShort = list.visualItemRect(list.item(0)).center();
    const QPoint overLong = list.visualItemRect(list.item(1)).center();

    list.updateTipAt(overLong);
    EXPECT_EQ(list.toolTip(), longName);
    list.updateTipAt(QPoint(5, 190));
    EXPECT_EQ(list.toolTip(), longName) << "no item under the mouse changes nothing";

    QMouseEvent move(QEvent::MouseMove, overShort, list.viewport()->mapToGlobal(overShort), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(list.viewport(), &move);
    EXPECT_EQ(list.toolTip(), "");
}
