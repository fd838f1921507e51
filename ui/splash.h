#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <memory>

class QLabel;
class QProgressBar;
class QPushButton;

namespace quillon {

// A time in seconds as a clock shows it: "0:07", "12:34", "1:02:03".
QString ElapsedTimeText(qint64 seconds);

// The small "Please wait..." window shown over the main window while a long command runs.
// Escape and the window manager do not close it while the work goes on; a command that can be
// stopped offers a Cancel button, which Escape presses too. A command that tells its progress
// gets a bar, the phase it is in and the time since it started.
class frmSplash : public QDialog {
    Q_OBJECT
public:
    explicit frmSplash(QWidget* mainWindow);

    // Shows a Cancel button that calls `cancel` once.
    void offerCancel(std::function<void()> cancel);
    // Shows the window, without waiting, centred over the main window.
    void showOverMainWindow();
    // Shows how far the work has come: `percent` from 0 to 100, or -1 where that cannot be
    // told (the bar then shows only that something is going on), and the phase in words.
    void showProgress(int percent, const QString& phase);

public slots:
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void showElapsedTime();
    void placeOverMainWindow();

    QLabel* lblMsg;
    QLabel* lblPhase;
    QProgressBar* barProgress;
    QLabel* lblElapsed;
    QPushButton* cmdCancel;
    QPointer<QWidget> mainWindow_;
    std::function<void()> cancel_;
    QElapsedTimer sinceShown_;
    QTimer clock_;
};

// While it lives, the main window is disabled and the "Please wait..." window shows over it,
// with a Cancel button when `cancel` is given; at the end of the scope the window closes and the
// main window is enabled again.
class BusyScope {
public:
    explicit BusyScope(QWidget* mainWindow, std::function<void()> cancel = {});
    ~BusyScope();

    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

    // See frmSplash::showProgress.
    void showProgress(int percent, const QString& phase) const;

private:
    QPointer<QWidget> mainWindow_;
    bool mainWindowWasEnabled_;
    std::unique_ptr<frmSplash> splash_;
};

}  // namespace quillon
