#include "fileicons.h"
#include "folderpicker.h"
#include "listhittest.h"

#include "scriptedprompter.h"

#include <QListWidget>

#include <gtest/gtest.h>

namespace quillon {
namespace {

using namespace Qt::Literals::StringLiterals;
using Request = testing::ScriptedPrompter::FolderRequest;

TEST(BrowseForFolder, StartsAtAnExistingCurrentFolderAndCancelKeepsIt)
{
    const QString title = u"Select a folder containing .dat files..."_s;
    testing::ScriptedPrompter prompter;
    prompter.chooseNext(u"/home/me/new dats"_s);

    EXPECT_EQ(BrowseForFolder(prompter, u"/tmp"_s), u"/home/me/new dats"_s);
    EXPECT_EQ(BrowseForFolder(prompter, u"/no/such/folder"_s), u"/no/such/folder"_s);
    EXPECT_EQ(prompter.folderRequests(), (QList<Request>{{title, u"/tmp"_s}, {title, QString()}}));
}

TEST(GetIconKey, OneKeyPerExtensionAndTheDefaultForProgramsAndBareNames)
{
    IconList icons;
    const QString fallback = u"file"_s;
    EXPECT_EQ(GetIconKey(u"README"_s, icons, fallback), fallback);
    EXPECT_EQ(GetIconKey(u"tools/setup.exe"_s, icons, fallback), fallback);
    EXPECT_EQ(GetIconKey(u"mame.zip"_s, icons, fallback), u".ZIP"_s);
    EXPECT_EQ(GetIconKey(u"OLD/NEO.ZIP"_s, icons, fallback), u".ZIP"_s);
    EXPECT_EQ(icons.size(), 1);
    EXPECT_FALSE(icons.icon(u".ZIP"_s).isNull());
}

TEST(ListItemFromPoint, FindsTheRowUnderThePointOrNone)
{
    QListWidget list;
    list.addItems({u"a.dat"_s, u"b.dat"_s, u"c.dat"_s});
    list.resize(200, 300);
    list.show();
    const int rowHeight = list.visualItemRect(list.item(0)).height();
    ASSERT_GT(rowHeight, 0);
    EXPECT_EQ(ListItemFromPoint(&list, 10 * twipsPerPixel, (rowHeight + rowHeight / 2) * twipsPerPixel), 1);
    EXPECT_EQ(ListItemFromPoint(&list, 0, (3 * rowHeight + 2) * twipsPerPixel), -1);
}

}  // namespace
}  // namespace quillon
