#pragma once

#include <QMainWindow>

class QPlainTextEdit;
class QStatusBar;

namespace quillon {

class SettingsStore;

// The main window: the two DAT panels, the Make Diff inputs and the log pane of the diff tool.
class frmmain : public QMainWindow {
    Q_OBJECT

public:
    explicit frmmain(SettingsStore& store, QWidget* parent = nullptr);

    const QString& switches() const { return m_sSwitches; }
    // Restores the window when minimised and brings it to the front.
    void bringToFront();

private:
    void rebuildSwitches();

    SettingsStore& store_;
    QString m_sSwitches;
    QPlainTextEdit* txtlog = nullptr;
    QStatusBar* sbStatusBar = nullptr;
};

}  // namespace quillon
