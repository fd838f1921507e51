#pragma once

#include <QDialog>

#include <memory>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QStatusBar;
class QToolButton;

namespace quillon {

class DatCapture;
class Prompter;
class RecentCombo;
class SettingsStore;
struct Command;

// Creates a DAT by running a MAME executable with its list switch and storing all it prints,
// optionally zipped.
class frmCreate : public QDialog {
    Q_OBJECT

public:
    frmCreate(SettingsStore& store, Prompter& prompter, QWidget* parent = nullptr);
    ~frmCreate() override;

    // While a DAT is being created, Cancel and Escape stop the program instead of closing.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void done(int result) override;

private:
    void buildControls();
    void restoreLastProgram();
    void rememberProgram(int version);
    void EnableCreateDat();
    void cboSaveTo_Click(int index);
    void cpvButton1_Click();
    void cpvButton2_Click();
    void cmdCreatDat_Click();
    bool inputsPresent();
    void warn(const QString& text);
    void zipDestination(const QString& destination);
    void createDat(const Command& command, const QString& destination);
    void setRunning(bool running);

    SettingsStore& store_;
    Prompter& prompter_;
    QString m_sExePath;  // the program: the chosen file's path, or what was typed
    bool m_bActivated = false;
    DatCapture* capture_ = nullptr;  // the run in progress

    QLineEdit* txtExe = nullptr;
    QToolButton* cpvButton1 = nullptr;
    QComboBox* cboEmulator = nullptr;
    QComboBox* cboSaveTo = nullptr;
    QToolButton* cpvButton2 = nullptr;
    QToolButton* cmdZipDat = nullptr;
    QLabel* lblReceivedBytes = nullptr;
    QPushButton* cmdCreatDat = nullptr;
    QPushButton* cmdCancel = nullptr;
    QStatusBar* sbStatusBar = nullptr;
    std::unique_ptr<RecentCombo> saveToRecent_;
};

}  // namespace quillon
