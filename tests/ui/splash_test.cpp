#include "splash.h"
#include "windowtesting.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QWindow>

#include <gtest/gtest.h>

namespace quillon {

using testing::child;

frmSplash* visibleSplash()
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* splash = qobject_cast<frmSplash*>(widget); splash && splash->isVisible())
            return splash;
    return nullptr;
}

class BusyScopeTest : public ::testing::Test {
protected:
    void SetUp() override { mainWindow.show(); }

    QWidget mainWindow;
};

TEST_F(BusyScopeTest, DisablesMainWindowAndShowsSplashForItsLifetimeWhateverEscapeDoes)
{
    {
        BusyScope busy(&mainWindow);
        EXPECT_FALSE(mainWindow.isEnabled());
        frmSplash* splash = visibleSplash();
        ASSERT_NE(splash, nullptr);
        EXPECT_TRUE(child(*splash, "lblMsg").isEnabled()) << "not greyed out with the main window";
        EXPECT_EQ(splash->windowHandle()->transientParent(), mainWindow.windowHandle());
        EXPECT_FALSE(child(*splash, "cmdCancel").isVisible()) << "this work cannot be stopped";

        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(splash, &escape);
        EXPECT_TRUE(splash->isVisible());
    }
    EXPECT_TRUE(mainWindow.isEnabled());
    EXPECT_EQ(visibleSplash(), nullptr);
}

TEST_F(BusyScopeTest, CancelButtonCallsOnceAndAQuittingApplicationStillClosesTheSplash)
{
    int cancelled = 0;
    BusyScope busy(&mainWindow, [&cancelled] { ++cancelled; });
    frmSplash* splash = visibleSplash();
    ASSERT_NE(splash, nullptr);
    auto& cmdCancel = child<QAbstractButton>(*splash, "cmdCancel");
    ASSERT_TRUE(cmdCancel.isVisible() && cmdCancel.isEnabled()) << "usable while the main window is disabled";
    cmdCancel.click();
    cmdCancel.click();
    EXPECT_EQ(cancelled, 1);

    QApplication::closeAllWindows();
    EXPECT_FALSE(splash->isVisible());
}

}  // namespace quillon
