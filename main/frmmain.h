#pragma once

#include "commandline.h"
#include "difftool.h"
#include "makediff.h"
#include "menucaption.h"
#include "outcome.h"

#include <QMainWindow>

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
class FilePanels;
class LastDiffResults;
class Prompter;
class RecentCombo;
class RunStop;
class SettingsStore;

// The project's web page, opened by Help's About.
inline constexpr char aboutUrl[] = "https://github.com/quillon-dats/quillon";

// How the window hands a file or a web address to the desktop, and why that failed. Tests put
// recorders in.
struct DesktopShell {
    std::function<Outcome(const QString& file)> openFile;
    std::function<Outcome(const QString& address)> openAddress;
};

// The main window: the two DAT panels, the Make Diff inputs and the log pane of the diff tool.
class frmmain : public QMainWindow {
    Q_OBJECT

public:
    frmmain(SettingsStore& store, Prompter& prompter, const StartupOptions& startup = {}, QWidget* parent = nullptr);
    ~frmmain() override;

    // Restores the window when minimised and brings it to the front.
    void bringToFront();
    void setDesktopShell(DesktopShell shell);
    // Where Make Diff finds the diff tool; beside the application unless set.
    void setDiffTool(const DiffTool& tool);
    // The zip chooser and header editor of Make Diff and Info; the real windows unless set.
    void setDatDialogs(DatDialogs& dialogs);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void createMenus();
    QAction* addMenuItem(QMenu* menu, const char* name, const QString& caption);
    QWidget* createPanels();
    QGroupBox* createDestinationFrame();
    QLayout* createCommandRow();
    void saveWindowState();
    void rebuildSwitches();
    void warn(const QString& text);
    // Status panel 1 shows the text, or nothing.
    void ShowTips(const QString& sText);
    void HideTips();
    // Make Diff is enabled while both panels have a selected file and a destination is named.
    void EnableMakeDiff();
    // Reads both folders again; the selections are lost.
    void RefreshFileList();
    // Once the options dialog has closed: the switches and the caption follow the stored
    // options, and a fixed DAT folder is put into both panels.
    void ApplyOptions();

    void Form_Activate();
    void cmdShowLog_Click(bool bShown);
    void cboFileDest_Click();
    void cmdBrowseDest_Click();
    void cmdMakeDiff_Click();
    void runMakeDiff(RunStop& stop);
    void mnuFileCreate_Click();
    void mnuFileOpenReport_Click();
    void mnuSettings_Click();
    void mnuSettingsCopy_Click();
    void mnuAbout_Click();
    void openPanelFile(const QString& path);
    void MenuDesigner();

    SettingsStore& store_;
    Prompter& prompter_;
    DesktopShell shell_;
    DiffTool diffTool_;
    RunStop* runningDiff_ = nullptr;  // stops the Make Diff under way, if any
    bool closeAfterDiff_ = false;     // the window was closed while Make Diff was ending
    std::unique_ptr<DatDialogs> windowDialogs_;
    DatDialogs* dialogs_ = nullptr;
    QString m_sSwitches;
    bool m_bActive = false;
    QList<MenuItemCaption> menuItems_;

    FilePanels* panels_ = nullptr;
    QComboBox* cboFileDest = nullptr;
    std::unique_ptr<RecentCombo> destinationRecent_;
    QPushButton* cmdBrowseDest = nullptr;
    QPushButton* cmdMakeDiff = nullptr;
    QToolButton* cmdZipDat = nullptr;
    QPushButton* cmdShowLog = nullptr;
    QPushButton* cmdCreateDat = nullptr;
    QPlainTextEdit* txtlog = nullptr;
    QStatusBar* sbStatusBar = nullptr;
    QAction* mnuAdvancedDesigner = nullptr;
    QAction* mnuFileLastResults = nullptr;
    std::unique_ptr<LastDiffResults> lastResults_;
    QString reportFolder_;  // where File > Open report last found a report
};

}  // namespace quillon
