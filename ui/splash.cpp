#include "splash.h"

#include "dialogprompter.h"
#include "windowfont.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWindow>

#include <utility>

namespace quillon {

namespace {

QFont messageFont()
{
    QFont font = WindowFont();
    font.setPointSize(10);
    font.setBold(true);
    return font;
}

// Room beside the title for the window manager's icon and buttons, so the title is not cut.
constexpr int titleBarAllowance = 140;

}  // namespace

// The window has no Qt parent: a disabled parent would disable it too and grey out its text.
// It belongs to the main window through the window system instead (transient parent), which
// keeps it above the main window.
frmSplash::frmSplash(QWidget* mainWindow)
    : QDialog(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      lblMsg(new QLabel(QStringLiteral("Please wait..."), this)),
      cmdCancel(new QPushButton(QStringLiteral("Cancel"), this)),
      mainWindow_(mainWindow)
{
    setObjectName(QStringLiteral("frmSplash"));
    setWindowTitle(QStringLiteral("Quillon"));
    lblMsg->setObjectName(QStringLiteral("lblMsg"));
    lblMsg->setFont(messageFont());
    lblMsg->setAlignment(Qt::AlignCenter);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setAutoDefault(false);
    cmdCancel->hide();
    connect(cmdCancel, &QPushButton::clicked, this, [this] {
        cmdCancel->setEnabled(false);
        if (cancel_)
            std::exchange(cancel_, {})();
    });
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 16, 24, 16);
    layout->addWidget(lblMsg);
    layout->addWidget(cmdCancel, 0, Qt::AlignHCenter);
    setMinimumWidth(fontMetrics().horizontalAdvance(windowTitle()) + titleBarAllowance);
}

void frmSplash::offerCancel(std::function<void()> cancel)
{
    cancel_ = std::move(cancel);
    cmdCancel->setVisible(static_cast<bool>(cancel_));
}

// Escape would close the window while the work it stands for goes on.
void frmSplash::reject() {}

// The window manager's close is refused like Escape; closing all windows (when Quillon is asked
// to end) closes it.
void frmSplash::closeEvent(QCloseEvent* event)
{
    if (event->spontaneous())
        event->ignore();
    else
        QWidget::closeEvent(event);
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

BusyScope::BusyScope(QWidget* mainWindow, std::function<void()> cancel)
    : mainWindow_(mainWindow),
      mainWindowWasEnabled_(mainWindow && mainWindow->isEnabled()),
      splash_(std::make_unique<frmSplash>(mainWindow))
{
    if (mainWindow_)
        mainWindow_->setEnabled(false);
    if (cancel)
        splash_->offerCancel(std::move(cancel));
    splash_->showOverMainWindow();
}

BusyScope::~BusyScope()
{
    splash_->hide();
    if (mainWindow_)
        mainWindow_->setEnabled(mainWindowWasEnabled_);
}

}  // namespace quillon
