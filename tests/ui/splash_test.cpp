#include "splash.h"

#include <QApplication>
#include <QLabel>
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

TEST(frmSplash, ShowsPleaseWaitInBoldTahoma)
{
    frmSplash splash(nullptr);
    const auto* lblMsg = splash.findChild<QLabel*>(QStringLiteral("lblMsg"));

    ASSERT_NE(lblMsg, nullptr);
    EXPECT_EQ(splash.objectName(), QStringLiteral("frmSplash"));
    EXPECT_EQ(lblMsg->text(), QStringLiteral("Please wait..."));
    EXPECT_EQ(lblMsg->font().family(), QStringLiteral("Tahoma"));
    EXPECT_TRUE(lblMsg->font().bold());
    EXPECT_EQ(lblMsg->font().pointSize(), 10);
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

}  // namespace
}  // namespace quillon
