#include "splash.h"
#include "windowtesting.h"

#include <QKeyEvent>
#include <QWindow>

namespace quillon {

using testing::child;

frmSplash* visibleSplash()
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* splash = qobject_cast<frmSplash*>(widget); splash && splash->isVisible())
            return splash;
    return nullptr;
}

TEST(BusyScope, DisablesMainWindowAndShowsSplashForItsLifetimeWhateverEscapeOrAQuitDoes)
{
    QWidget mainWindow;
    mainWindow.show();
    int cancelled = 0;
    {
        BusyScope busy(&mainWindow, [&cancelled] { ++cancelled; });
        EXPECT_FALSE(mainWindow.isEnabled());
        frmSplash* splash = visibleSplash();
        ASSERT_NE(splash, nullptr);
        EXPECT_TRUE(child(*splash, "lblMsg").isEnabled()) << "not greyed out with the main window";
        EXPECT_EQ(splash->windowHandle()->transientParent(), mainWindow.windowHandle());

        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(splash, &escape);
        EXPECT_TRUE(splash->isVisible());
        auto& cmdCancel = child<QAbstractButton>(*splash, "cmdCancel");
        ASSERT_TRUE(cmdCancel.isVisible() && cmdCancel.isEnabled()) << "usable while the main window is disabled";
        cmdCancel.click();
        cmdCancel.click();
        EXPECT_EQ(cancelled, 1);

        QApplication::closeAllWindows();
        EXPECT_FALSE(splash->isVisible());
    }
    EXPECT_TRUE(mainWindow.isEnabled());
    BusyScope uncancellable(&mainWindow);
    ASSERT_NE(visibleSplash(), nullptr);
    EXPECT_FALSE(child(*visibleSplash(), "cmdCancel").isVisible()) << "this work cannot be stopped";
}

}  // namespace quillon
