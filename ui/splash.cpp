#include "splash.h"

#include "dialogprompter.h"
#include "windowfont.h"

#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>
#include <initializer_list>
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
// Wide enough that the window keeps its size as the phase changes.
constexpr int progressWidth = 280;
constexpr int clockTickMs = 1000;

}  // namespace

QString ElapsedTimeText(qint64 seconds)
{
    const auto twoDigits = [](qint64 value) { return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0')); };
    const qint64 hours = seconds / 3600;
    const qint64 minutes = seconds / 60 % 60;
    if (hours > 0)
        return QString::number(hours) + u':' + twoDigits(minutes) + u':' + twoDigits(seconds % 60);
    return QString::number(minutes) + u':' + twoDigits(seconds % 60);
}

// The window has no Qt parent: a disabled parent would disable it too and grey out its text.
// It belongs to the main window through the window system instead (transient parent), which
// keeps it above the main window.
frmSplash::frmSplash(QWidget* mainWindow)
    : QDialog(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      lblMsg(new QLabel(QStringLiteral("Please wait..."), this)),
      lblPhase(new QLabel(this)),
      barProgress(new QProgressBar(this)),
      lblElapsed(new QLabel(this)),
      cmdCancel(new QPushButton(QStringLiteral("Cancel"), this)),
      mainWindow_(mainWindow)
{
    setObjectName(QStringLiteral("frmSplash"));
    setWindowTitle(QStringLiteral("Quillon"));
    lblMsg->setObjectName(QStringLiteral("lblMsg"));
    lblMsg->setFont(messageFont());
    lblMsg->setAlignment(Qt::AlignCenter);
    lblPhase->setObjectName(QStringLiteral("lblPhase"));
    barProgress->setObjectName(QStringLiteral("barProgress"));
    lblElapsed->setObjectName(QStringLiteral("lblElapsed"));
    barProgress->setMinimumWidth(progressWidth);
    for (QWidget* progressPart : std::initializer_list<QWidget*>{lblPhase, barProgress, lblElapsed})
        progressPart->hide();
    clock_.setInterval(clockTickMs);
    connect(&clock_, &QTimer::timeout, this, &frmSplash::showElapsedTime);
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
    layout->addWidget(lblPhase);
    layout->addWidget(barProgress);
    layout->addWidget(lblElapsed);
    layout->addWidget(cmdCancel, 0, Qt::AlignHCenter);
    setMinimumWidth(fontMetrics().horizontalAdvance(windowTitle()) + titleBarAllowance);
}

void frmSplash::offerCancel(std::function<void()> cancel)
{
    cancel_ = std::move(cancel);
    cmdCancel->setVisible(static_cast<bool>(cancel_));
}

// Escape would close the window while the work it stands for goes on; where the work can be
// stopped, it asks for that as the Cancel button does.
void frmSplash::reject()
{
    if (cmdCancel->isVisible() && cmdCancel->isEnabled())
        cmdCancel->click();
}

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
    sinceShown_.start();
    placeOverMainWindow();
    show();
}

void frmSplash::placeOverMainWindow()
{
    adjustSize();
    if (mainWindow_) {
        createWinId();
        windowHandle()->setTransientParent(mainWindow_->window()->windowHandle());
        CenterMsgBox(this, mainWindow_->window());
    }
}

void frmSplash::showProgress(int percent, const QString& phase)
{
    lblPhase->setText(phase);
    barProgress->setRange(0, percent < 0 ? 0 : 100);
    barProgress->setValue(std::clamp(percent, 0, 100));
    if (barProgress->isVisibleTo(this))
        return;
    for (QWidget* progressPart : std::initializer_list<QWidget*>{lblPhase, barProgress, lblElapsed})
        progressPart->show();
    showElapsedTime();
    clock_.start();
    placeOverMainWindow();
}

void frmSplash::showElapsedTime()
{
    const qint64 seconds = sinceShown_.isValid() ? sinceShown_.elapsed() / 1000 : 0;
    lblElapsed->setText(QStringLiteral("Elapsed time: ") + ElapsedTimeText(seconds));
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

void BusyScope::showProgress(int percent, const QString& phase) const
{
    splash_->showProgress(percent, phase);
}

BusyScope::~BusyScope()
{
    splash_->hide();
    if (mainWindow_)
        mainWindow_->setEnabled(mainWindowWasEnabled_);
}

}  // namespace quillon
