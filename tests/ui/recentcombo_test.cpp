#include "mru.h"
#include "recentcombo.h"
#include "tempstore.h"

#include <QAbstractItemView>
#include <QComboBox>

#include <gtest/gtest.h>

using namespace quillon;
using quillon::testing::TempStore;

namespace {

class RecentComboTest : public ::testing::Test {
protected:
    TempStore temp;
    QComboBox combo;
    bool active = false;
    int chosen = 0;
    RecentCombo recent{temp.store(), mru::DestFile, &combo, active, [this] { ++chosen; }};
};

}  // namespace

TEST_F(RecentComboTest, BeforeActivationTheTypedTextStaysAndNothingIsChosen)
{
    combo.setEditable(true);
    combo.setEditText("/typed.dat");
    recent.reload();
    EXPECT_EQ(combo.count(), 0) << "a list never used leaves the combo as it is";

    const QString longEntry = "/" + QString(300, u'x') + ".dat";
    SaveMRU(temp.store(), mru::DestFile, {"/short.dat", longEntry});
    recent.reload();
    EXPECT_EQ(combo.count(), 2);
    EXPECT_EQ(combo.currentIndex(), -1);
    EXPECT_EQ(combo.currentText(), "/typed.dat");
    EXPECT_EQ(combo.view()->minimumWidth(), combo.fontMetrics().horizontalAdvance(longEntry) + 25);
    EXPECT_EQ(chosen, 0);
}

TEST_F(RecentComboTest, OnceActiveAnAddedValueIsChosenFromTheTop)
{
    combo.setEditable(true);
    SaveMRU(temp.store(), mru::DestFile, {"/a.dat", "/b.dat"});
    active = true;
    recent.add("/b.dat");
    EXPECT_EQ(LoadMRU(temp.store(), mru::DestFile), (QStringList{"/b.dat", "/a.dat"}));
    EXPECT_EQ(combo.currentIndex(), 0);
    EXPECT_EQ(combo.currentText(), "/b.dat");
    EXPECT_EQ(chosen, 1);
}
