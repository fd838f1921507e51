#include "splash.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QWindow>

#include <gtest/gtest.h>

namespace quillon {
namespace {

frmSplash* visibleSplash()
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->objectName() == QStringLiteral("frmSplash") && widget->isVisible())
            return qobject_cast<frmSplash*>(widget);
    return nullptr;
}

TEST(BusyScope, DisablesMainWindowAndShowsSplashForItsLifetime)
{
    QWidget mainWindow;
    mainWindow.show();
    {
        BusyScope busy(&mainWindow);
        EXPECT_FALSE(mainWindow.isEnabled());
        frmSplash* splash = visibleSplash();
        ASSERT_NE(splash, nullptr);
        // Its text must not be greyed out along with the disabled main window.
        EXPECT_TRUE(splash->findChild<QLabel*>(QStringLiteral("lblMsg"))->isEnabled());
        EXPECT_EQ(splash->windowHandle()->transientParent(), mainWindow.windowHandle());
    }
    EXPECT_TRUE(mainWindow.isEnabled());
    EXPECT_EQ(visibleSplash(), nullptr);
}

TEST(BusyScope, CancelButtonOnlyWhenTheWorkCanBeStopped)
{
    QWidget mainWindow;
    mainWindow.show();
    {
        BusyScope busy(&mainWindow);
        EXPECT_FALSE(visibleSplash()->findChild<QPushButton*>("cmdCancel")->isVisible());
    }
    int cancelled = 0;
    BusyScope busy(&mainWindow, [&cancelled] { ++cancelled; });
    auto* cmdCancel = visibleSplash()->findChild<QPushButton*>("cmdCancel");
    ASSERT_TRUE(cmdCancel->isVisible());
    EXPECT_EQ(cmdCancel->text(), "Cancel");
    EXPECT_TRUE(cmdCancel->isEnabled()) << "usable while the main window is disabled";
    cmdCancel->click();
    cmdCancel->click();
    EXPECT_EQ(cancelled, 1);
}

TEST(BusyScope, EscapeDoesNotCloseItWhileWorkGoesOn)
{
    QWidget mainWindow;
    mainWindow.show();
    BusyScope busy(&mainWindow);
    frmSplash* splash = visibleSplash();
    ASSERT_NE(splash, nullptr);

    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(splash, &escape);
    EXPECT_TRUE(splash->isVisible());

    QApplication::closeAllWindows();
    EXPECT_FALSE(splash->isVisible()) << "ending Quillon still closes it";
}

TEST(frmSplash, IsWideEnoughForItsTitle)
{
    frmSplash splash(nullptr);
    splash.showOverMainWindow();
    EXPECT_GT(splash.width(), splash.fontMetrics().horizontalAdvance(splash.windowTitle()) + 100);
}

}  // namespace
}  // namespace quillon
