#include "splash.h"

#include "dialogprompter.h"

#include <QLabel>
#include <QVBoxLayout>
#include <QWindow>

namespace quillon {

namespace {

QFont messageFont()
{
    QFont font(QStringLiteral("Tahoma"), 10);
    font.setBold(true);
    return font;
}

}  // namespace

// The window has no Qt parent: a disabled parent would disable it too and grey out its text.
// It belongs to the main window through the window system instead (transient parent), which
// keeps it above the main window.
frmSplash::frmSplash(QWidget* mainWindow)
    : QDialog(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      lblMsg(new QLabel(QStringLiteral("Please wait..."), this)),
      mainWindow_(mainWindow)
{
    setObjectName(QStringLiteral("frmSplash"));
    setWindowTitle(QStringLiteral("Quillon"));
    lblMsg->setObjectName(QStringLiteral("lblMsg"));
    lblMsg->setFont(messageFont());
    lblMsg->setAlignment(Qt::AlignCenter);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 16, 24, 16);
    layout->addWidget(lblMsg);
}

void frmSplash::showOverMainWindow()
{
    adjustSize();
    if (mainWindow_) {
        createWinId();
        windowHandle()->setTransientParent(mainWindow_->window()->windowHandle());
        CenterMsgBox(this, mainWindow_->window());
    }
    show();
}

BusyScope::BusyScope(QWidget* mainWindow)
    : mainWindow_(mainWindow),
      mainWindowWasEnabled_(mainWindow && mainWindow->isEnabled()),
      splash_(std::make_unique<frmSplash>(mainWindow))
{
    if (mainWindow_)
        mainWindow_->setEnabled(false);
    splash_->showOverMainWindow();
}

BusyScope::~BusyScope()
{
    splash_->close();
    if (mainWindow_)
        mainWindow_->setEnabled(mainWindowWasEnabled_);
}

}  // namespace quillon
