#include "fileicons.h"
#include "folderpicker.h"
#include "listhittest.h"

#include "scriptedprompter.h"

#include <QListWidget>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace quillon {
namespace {

using testing::ScriptedPrompter;

const QString pickerTitle = QStringLiteral("Select a folder containing .dat files...");

TEST(BrowseForFolder, StartsAtCurrentFolderAndReturnsChoice)
{
    QTemporaryDir temp;
    ScriptedPrompter prompter;
    prompter.chooseNext(QStringLiteral("/home/me/new dats"));

    EXPECT_EQ(BrowseForFolder(prompter, temp.path()), QStringLiteral("/home/me/new dats"));
    EXPECT_EQ(prompter.folderRequests(),
              QList<ScriptedPrompter::FolderRequest>({{pickerTitle, temp.path()}}));
}

TEST(BrowseForFolder, CancelKeepsFolderAndMissingFolderPreselectsNothing)
{
    ScriptedPrompter prompter;

    EXPECT_EQ(BrowseForFolder(prompter, QStringLiteral("/no/such/folder")),
              QStringLiteral("/no/such/folder"));
    EXPECT_EQ(BrowseForFolder(prompter, QString()), QString());
    EXPECT_EQ(prompter.folderRequests(), QList<ScriptedPrompter::FolderRequest>(
                                             {{pickerTitle, QString()}, {pickerTitle, QString()}}));
}

TEST(GetIconKey, NamesWithoutDotAndProgramsGetDefaultKey)
{
    IconList icons;

    EXPECT_EQ(GetIconKey(QStringLiteral("README"), icons, QStringLiteral("file")), QStringLiteral("file"));
    EXPECT_EQ(GetIconKey(QStringLiteral("tools/setup.exe"), icons, QStringLiteral("file")),
              QStringLiteral("file"));
    EXPECT_EQ(icons.size(), 0);
}

TEST(GetIconKey, AddsEachExtensionOnceUnderUpperCaseKey)
{
    IconList icons;

    EXPECT_EQ(GetIconKey(QStringLiteral("mame.zip"), icons, QStringLiteral("file")), QStringLiteral(".ZIP"));
    EXPECT_EQ(GetIconKey(QStringLiteral("OLD/NEO.ZIP"), icons, QStringLiteral("file")), QStringLiteral(".ZIP"));
    EXPECT_EQ(icons.size(), 1);
    EXPECT_FALSE(icons.icon(QStringLiteral(".ZIP")).isNull());

    // The extension runs from the last dot of the whole name, folders included.
    EXPECT_EQ(GetIconKey(QStringLiteral("v1.2/readme"), icons, QStringLiteral("file")),
              QStringLiteral(".2/README"));
}

class ListItemFromPointTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        list.addItems({QStringLiteral("a.dat"), QStringLiteral("b.dat"), QStringLiteral("c.dat")});
        list.resize(200, 300);
        list.show();
        rowHeight = list.visualItemRect(list.item(0)).height();
    }

    QListWidget list;
    int rowHeight = 0;
};

TEST_F(ListItemFromPointTest, FindsRowUnderPointGivenInTwips)
{
    ASSERT_GT(rowHeight, 0);
    EXPECT_EQ(ListItemFromPoint(&list, 0, 0), 0);
    EXPECT_EQ(ListItemFromPoint(&list, 10 * twipsPerPixel, (rowHeight + rowHeight / 2) * twipsPerPixel), 1);
    // 14.6 twips round to a whole pixel, 14.4 stay in the pixel before.
    EXPECT_EQ(ListItemFromPoint(&list, 0, (rowHeight - 1) * twipsPerPixel + 14.6), 1);
    EXPECT_EQ(ListItemFromPoint(&list, 0, (rowHeight - 1) * twipsPerPixel + 14.4), 0);
}

TEST_F(ListItemFromPointTest, PointBelowLastItemGivesMinusOne)
{
    EXPECT_EQ(ListItemFromPoint(&list, 0, (3 * rowHeight + 2) * twipsPerPixel), -1);
}

}  // namespace
}  // namespace quillon
