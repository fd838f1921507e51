#pragma once

#include <QDialog>
#include <QPointer>

#include <memory>

class QLabel;

namespace quillon {

// The small "Please wait..." window shown over the main window while a long command runs.
class frmSplash : public QDialog {
    Q_OBJECT
public:
    explicit frmSplash(QWidget* mainWindow);

    // Shows the window, without waiting, centred over the main window.
    void showOverMainWindow();

private:
    QLabel* lblMsg;
    QPointer<QWidget> mainWindow_;
};

// While it lives, the main window is disabled and the "Please wait..." window shows over it;
// at the end of the scope the window closes and the main window is enabled again.
class BusyScope {
public:
    explicit BusyScope(QWidget* mainWindow);
    ~BusyScope();

    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    QPointer<QWidget> mainWindow_;
    bool mainWindowWasEnabled_;
    std::unique_ptr<frmSplash> splash_;
};

}  // namespace quillon
