#pragma once

#include <QDialog>
#include <QPointer>

#include <functional>
#include <memory>

class QLabel;
class QPushButton;

namespace quillon {

// The small "Please wait..." window shown over the main window while a long command runs.
// Escape and the window manager do not close it while the work goes on; a command that can be
// stopped offers a Cancel button.
class frmSplash : public QDialog {
    Q_OBJECT
public:
    explicit frmSplash(QWidget* mainWindow);

    // Shows a Cancel button that calls `cancel` once.
    void offerCancel(std::function<void()> cancel);
    // Shows the window, without waiting, centred over the main window.
    void showOverMainWindow();

public slots:
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QLabel* lblMsg;
    QPushButton* cmdCancel;
    QPointer<QWidget> mainWindow_;
    std::function<void()> cancel_;
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

private:
    QPointer<QWidget> mainWindow_;
    bool mainWindowWasEnabled_;
    std::unique_ptr<frmSplash> splash_;
};

}  // namespace quillon
