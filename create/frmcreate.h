#pragma once

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QStatusBar;
class QToolButton;

namespace quillon {

class Prompter;
class SettingsStore;

// Creates a DAT by running a MAME executable with its list switch and storing all it prints,
// optionally zipped.
class frmCreate : public QDialog {
    Q_OBJECT

public:
    frmCreate(SettingsStore& store, Prompter& prompter, QWidget* parent = nullptr);

    void LoadMRUs();

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

private:
    void buildControls();
    void EnableCreateDat();
    void cboSaveTo_Click(int index);
    void cpvButton1_Click();
    void cpvButton2_Click();
    void cmdCreatDat_Click();
    bool inputsPresent();
    void warn(const QString& text);
    void zipDestination(const QString& destination);

    SettingsStore& store_;
    Prompter& prompter_;
    QString m_sExePath;
    bool m_bActivated = false;

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
};

}  // namespace quillon
