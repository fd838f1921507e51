#pragma once

#include <QDialog>

class QButtonGroup;
class QCheckBox;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace quillon {

class Prompter;
class SettingsStore;
struct SettingKey;

// The options dialog: the diff tool's comparison options and the program options of the
// "Options" section. It writes to the store only on Save.
class frmOptions : public QDialog {
    Q_OBJECT

public:
    frmOptions(SettingsStore& store, Prompter& prompter, QWidget* parent = nullptr);

private:
    QWidget* createGeneralPage();
    QWidget* createSetdeltaPage();
    QButtonGroup* addOptionGroup(QWidget* frame, const QString& name, const QStringList& captions);
    QCheckBox* addCheckBox(QWidget* frame, const QString& name, const QString& caption);

    void load();
    void loadOptionGroup(QButtonGroup* group, const SettingKey& key, int count);
    void loadCheckBox(QCheckBox* box, const SettingKey& key);
    void save();
    void saveOptionGroup(QButtonGroup* group, const SettingKey& key);
    void saveCheckBox(QCheckBox* box, const SettingKey& key);

    void cmdDefaults_Click();
    void cmdBrowse_Click();
    void optDatFolder_Click(int index);

    SettingsStore& store_;
    Prompter& prompter_;

    QButtonGroup* optDatFolder = nullptr;
    QLineEdit* txtDatFolder = nullptr;
    QToolButton* cmdBrowse = nullptr;
    QCheckBox* chkCMPHeaderSearch = nullptr;
    QCheckBox* chkMultipleInstance = nullptr;
    QCheckBox* chkShowDiffResults = nullptr;
    QButtonGroup* optSetType = nullptr;
    QButtonGroup* optDatType = nullptr;
    QButtonGroup* optObject = nullptr;
    QCheckBox* chkRomRenames = nullptr;
    QCheckBox* chkNoDump = nullptr;
    QCheckBox* chkBios = nullptr;
    QPushButton* cmdSave = nullptr;
    QPushButton* cmdCancel = nullptr;
    QPushButton* cmdDefaults = nullptr;
};

}  // namespace quillon
