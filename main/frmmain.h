#pragma once

#include "commandline.h"
#include "diffresults.h"
#include "difftool.h"
#include "makediff.h"
#include "menucaption.h"

#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <memory>

class QAction;
class QComboBox;
class QGroupBox;
class QLayout;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QStatusBar;
class QToolButton;

namespace quillon {

class DatDialogs;
class FilePanel;
class frmDiffResults;
class Prompter;
class RunStop;
class SettingsStore;

// The project's web page, opened by Help's About.
inline constexpr char aboutUrl[] = "https://github.com/quillon-dats/quillon";

// How the window hands a file or a web address to the desktop. Tests put recorders in.
struct DesktopShell {
    std::function<bool(const QString& file)> openFile;
    std::function<bool(const QString& address)> openAddress;
};

// The main window: the two DAT panels, the Make Diff inputs and the log pane of the diff tool.
class frmmain : public QMainWindow {
    Q_OBJECT

public:
    frmmain(SettingsStore& store, Prompter& prompter, const StartupOptions& startup = {}, QWidget* parent = nullptr);
    ~frmmain() override;

    const QString& switches() const { return m_sSwitches; }
    // Restores the window when minimised and brings it to the front.
    void bringToFront();
    void setDesktopShell(DesktopShell shell);
    // Where Make Diff finds the diff tool; beside the application unless set.
    void setDiffTool(const DiffTool& tool);
    // The zip chooser and header editor of Make Diff and Info; the real windows unless set.
    void setDatDialogs(DatDialogs& dialogs);

    // Status panel 1 shows the text, or nothing.
    void ShowTips(const QString& sText);
    void HideTips();
    // Refills the combo of the recent list "SourceDat", "CompareWith" or "DestFile".
    void LoadMRUs(const QString& sMRU);
    // Make Diff is enabled while both panels have a selected file and a destination is named.
    void EnableMakeDiff();
    // Reads both folders again; the selections are lost.
    void RefreshFileList();
    void FileCopy(const QString& sSourceFile, const QString& sDestFile, bool bMove = false);
    // To be called when the options dialog has closed: the switches and the caption follow the
    // stored options, and a fixed DAT folder is put into both panels.
    void ApplyOptions();

    // To be called after a successful Make Diff: keeps the results for "Last diff results" and
    // shows them unless the user turned that off.
    void showDiffResults(DiffResults results);
    // The same from the reports of a run, naming a DAT taken out of a zip archive by its archive
    // and entry. A report that cannot be read is reported to the user, with the reason, and
    // changes nothing.
    void showDiffReport(const DiffReports& reports, const QString& destination);

    // Every menu item with its caption, in menu order.
    const QList<MenuItemCaption>& menuItems() const { return menuItems_; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    struct Side;

    void createMenus();
    QAction* addMenuItem(QMenu* menu, const char* name, const QString& caption);
    QWidget* createPanels();
    QGroupBox* createDestinationFrame();
    QLayout* createCommandRow();
    void setButtonTips();
    void connectPanel(const Side& side);
    void restorePosition();
    void savePosition();
    void rebuildSwitches();
    QComboBox* comboOfMru(const QString& sMRU) const;
    void selectFirstRecent(QComboBox* combo);
    void useDatFolder();
    void warn(const QString& text);
    Side leftSide() const;
    Side rightSide() const;

    void Form_Activate();
    void cmdShowLog_Click(bool bShown);
    void cboFolder_Click(const Side& side);
    void cboFileDest_Click();
    void cmdBrowseDest_Click();
    void cboFilter_Click(const Side& side, int index);
    void cmdBrowse_Click(const Side& side);
    void cmdCopyPath_Click(const Side& side);
    void cmdCopyLeft_Click();
    void cmdCopyRight_Click();
    void cmdMove_Click(const Side& side);
    void cmdDelete_Click(const Side& side);
    void fil_Click(const Side& side);
    void fil_DblClick(const Side& side);
    void fil_PathChange(const Side& side);
    void cmdMakeDiff_Click();
    void cmdInfo_Click(const Side& side);
    void mnuFileCreate_Click();
    void mnuFileLastResults_Click();
    bool resultsShownAfterMakeDiff() const;
    void mnuSettings_Click();
    void mnuSettingsCopy_Click();
    void mnuAbout_Click();
    void MenuDesigner();

    SettingsStore& store_;
    Prompter& prompter_;
    DesktopShell shell_;
    DiffTool diffTool_;
    RunStop* runningDiff_ = nullptr;  // stops the Make Diff under way, if any
    std::unique_ptr<DatDialogs> windowDialogs_;
    DatDialogs* dialogs_ = nullptr;
    QString m_sSwitches;
    bool m_bActive = false;
    QList<MenuItemCaption> menuItems_;

    FilePanel* left_ = nullptr;
    FilePanel* right_ = nullptr;
    QComboBox* cboFileDest = nullptr;
    QPushButton* cmdBrowseDest = nullptr;
    QPushButton* cmdMakeDiff = nullptr;
    QToolButton* cmdZipDat = nullptr;
    QPushButton* cmdShowLog = nullptr;
    QPushButton* cmdCreateDat = nullptr;
    QPlainTextEdit* txtlog = nullptr;
    QStatusBar* sbStatusBar = nullptr;
    QAction* mnuAdvancedDesigner = nullptr;
    QAction* mnuFileLastResults = nullptr;
    std::shared_ptr<const DiffResults> lastResults_;
    QPointer<frmDiffResults> resultsWindow_;
};

}  // namespace quillon
