#include "frmmain.h"
#include "settingkeys.h"
#include "tempstore.h"

#include <QPlainTextEdit>

#include <gtest/gtest.h>

using namespace quillon;
using quillon::testing::TempStore;

TEST(MainWindow, CaptionShowsVersionAndSwitches)
{
    TempStore fresh;
    frmmain window(fresh.store());
    EXPECT_EQ(window.windowTitle(), "Quillon 1.4.0 - Options: -s -d2 -z");
    EXPECT_EQ(window.switches(), "-s -d2 -z");

    TempStore merged;
    merged.store().write(keys::SetType, "1");
    merged.store().write(keys::NoDump, "0");
    EXPECT_EQ(frmmain(merged.store()).windowTitle(), "Quillon 1.4.0 - Options: -m -d2");
}

TEST(MainWindow, StartsWithTheLogPaneHidden)
{
    TempStore temp;
    frmmain window(temp.store());
    window.show();
    auto* log = window.findChild<QPlainTextEdit*>("txtlog");
    ASSERT_NE(log, nullptr);
    EXPECT_FALSE(log->isVisible());
    EXPECT_EQ(window.height(), 487);
}
