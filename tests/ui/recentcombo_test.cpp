#include "mru.h"
#include "recentcombo.h"
#include "tempstore.h"

#include <QComboBox>

#include <gtest/gtest.h>

using namespace quillon;
using namespace Qt::Literals::StringLiterals;

TEST(RecentCombo, KeepsTheTypedTextUntilTheWindowIsActiveThenChoosesTheNewest)
{
    quillon::testing::TempStore temp;
    QComboBox combo;
    combo.setEditable(true);
    combo.setEditText(u"/typed.dat"_s);
    bool active = false;
    int chosen = 0;
    RecentCombo recent(temp.store(), mru::DestFile, &combo, active, [&chosen] { ++chosen; });

    recent.reload();
    EXPECT_EQ(combo.count(), 0) << "a list never used leaves the combo as it is";
    SaveMRU(temp.store(), mru::DestFile, {u"/a.dat"_s, u"/b.dat"_s});
    recent.reload();
    EXPECT_EQ(combo.count(), 2);
    EXPECT_EQ(combo.currentText(), u"/typed.dat"_s);
    EXPECT_EQ(chosen, 0);

    active = true;
    recent.add(u"/b.dat"_s);
    EXPECT_EQ(LoadMRU(temp.store(), mru::DestFile), (QStringList{u"/b.dat"_s, u"/a.dat"_s}));
    EXPECT_EQ(combo.currentIndex(), 0);
    EXPECT_EQ(combo.currentText(), u"/b.dat"_s);
    EXPECT_EQ(chosen, 1);
}
