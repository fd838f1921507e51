#include "frmmain.h"

#include "buttontips.h"
#include "datinformation.h"
#include "filepanel.h"
#include "filepanels.h"
#include "frmcreate.h"
#include "frmdiffresults.h"
#include "frmoptions.h"
#include "frmrenamesets.h"
#include "lastdiffresults.h"
#include "logpane.h"
#include "makediff.h"
#include "menudesigner.h"
#include "menupicture.h"
#include "mru.h"
#include "prompter.h"
#include "recentcombo.h"
#include "renamesetscommand.h"
#include "settingkeys.h"
#include "settingsstore.h"
#include "shellopen.h"
#include "splash.h"
#include "switches.h"
#include "themedicon.h"
#include "utilities.h"
#include "windowdatdialogs.h"
#include "windowfont.h"
#include "windowposition.h"

#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QShowEvent>
#include <QStatusBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <utility>

namespace quillon {

using namespace Qt::Literals::StringLiterals;

namespace {

const QString applicationTitle = QStringLiteral("Quillon");

// The window's height follows the log pane; its width is the designed one.
constexpr int heightWithLogHidden = 487;
constexpr int heightWithLogShown = 687;
constexpr int designedWidth = 760;
constexpr int layoutSpacing = 6;

}  // namespace

frmmain::frmmain(SettingsStore& store, Prompter& prompter, const StartupOptions& startup, QWidget* parent)
    : QMainWindow(parent),
      store_(store),
      prompter_(prompter),
      shell_{OpenWithAssociation, ShellOpen},
      diffTool_(DiffTool::besideApplication()),
      windowDialogs_(std::make_unique<WindowDatDialogs>(store, prompter, this)),
      dialogs_(windowDialogs_.get())
{
    setObjectName("frmmain");
    UseWindowFont(*this);

    createMenus();
    mnuAdvancedDesigner->setVisible(startup.advancedMode);

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setSpacing(layoutSpacing);
    layout->addWidget(createPanels(), 1);
    layout->addWidget(createDestinationFrame());
    layout->addLayout(createCommandRow());
    txtlog = new QPlainTextEdit(central);
    txtlog->setObjectName("txtlog");
    txtlog->setReadOnly(true);
    txtlog->setFixedHeight(heightWithLogShown - heightWithLogHidden - layoutSpacing);
    txtlog->hide();
    layout->addWidget(txtlog);
    setCentralWidget(central);

    sbStatusBar = new QStatusBar(this);
    sbStatusBar->setObjectName("sbStatusBar");
    setStatusBar(sbStatusBar);

    SetButtonTips(*this);

    resize(designedWidth, heightWithLogHidden);
    setFixedHeight(heightWithLogHidden);
    RestoreWindowPosition(*this, store_);

    destinationRecent_->reload();
    cmdZipDat->setChecked(store_.readBool(keys::DiffZipDat));
    rebuildSwitches();
    EnableMakeDiff();
}

frmmain::~frmmain() = default;

void frmmain::setDesktopShell(DesktopShell shell)
{
    shell_ = std::move(shell);
}

void frmmain::setDiffTool(const DiffTool& tool)
{
    diffTool_ = tool;
}

void frmmain::setDatDialogs(DatDialogs& dialogs)
{
    dialogs_ = &dialogs;
}

void frmmain::bringToFront()
{
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    raise();
    activateWindow();
}

// ---- building the window

void frmmain::createMenus()
{
    QMenuBar* bar = menuBar();
    QMenu* mnuFile = bar->addMenu(u"&File"_s);
    mnuFile->setObjectName("mnuFile");
    connect(addMenuItem(mnuFile, "mnuFileCreate", u"&Create a MAME datfile|@Create a dat from a MAME executable.|#s_Key18"_s),
            &QAction::triggered, this, &frmmain::mnuFileCreate_Click);
    connect(addMenuItem(mnuFile, "mnuFileRefresh", u"&Refresh file lists|@Force the update of the two file lists.|#s_Key15"_s),
            &QAction::triggered, this, &frmmain::RefreshFileList);
    mnuFileLastResults = addMenuItem(mnuFile, "mnuFileLastResults",
                                     u"&Last diff results|@Show again what the last Make Diff found."_s);
    lastResults_ = std::make_unique<LastDiffResults>(store_, prompter_, mnuFileLastResults, this,
                                                     [this](const QString& folder) { return shell_.openFile(folder).ok(); });
    connect(mnuFileLastResults, &QAction::triggered, this, [this] { lastResults_->show(); });
    connect(addMenuItem(mnuFile, "mnuFileOpenReport",
                        u"&Open report...|@Show a report of setdelta (--json) in the Diff results window."_s),
            &QAction::triggered, this, &frmmain::mnuFileOpenReport_Click);
    connect(addMenuItem(mnuFile, "mnuFileUndoRename",
                        u"&Undo last rename|@Give the files of the last Rename files their old names back."_s),
            &QAction::triggered, this, [this] { UndoLastRename(prompter_, RenameJournalFolder()); });
    mnuFile->addSeparator()->setObjectName("mnuFileSep1");
    connect(addMenuItem(mnuFile, "mnuFileExit", u"&Exit|@Exit the application.|#s_Key11"_s), &QAction::triggered, this,
            &QWidget::close);

    QMenu* mnuOptions = bar->addMenu(u"&Options"_s);
    mnuOptions->setObjectName("mnuOptions");
    connect(addMenuItem(mnuOptions, "mnuSettings", u"&Settings|@Open the settings window.|#s_Key16"_s),
            &QAction::triggered, this, &frmmain::mnuSettings_Click);
    mnuAdvancedDesigner = addMenuItem(mnuOptions, "mnuAdvancedDesigner", u"Open Menu Designer|#s_Key17"_s);
    connect(mnuAdvancedDesigner, &QAction::triggered, this, &frmmain::MenuDesigner);
    mnuOptions->addSeparator()->setObjectName("mnusep");
    connect(addMenuItem(mnuOptions, "mnuSettingsCopy",
                        u"Settings to Clipboard|@Copy the current settings for setdelta commandline to clipboard.|#s_Key14"_s),
            &QAction::triggered, this, &frmmain::mnuSettingsCopy_Click);

    QAction* mnuAbout = bar->addAction(u"&About"_s);
    mnuAbout->setObjectName("mnuAbout");
    menuItems_.append({u"mnuAbout"_s, ParseMenuCaption(u"&About"_s)});
    connect(mnuAbout, &QAction::triggered, this, &frmmain::mnuAbout_Click);
}

// The tip goes into the action's status tip, which the window shows in status panel 1 while
// the item is hovered.
QAction* frmmain::addMenuItem(QMenu* menu, const char* name, const QString& caption)
{
    const MenuCaption parsed = ParseMenuCaption(caption);
    QAction* action = menu->addAction(MenuPicture(this, parsed.pictureKey), parsed.text);
    action->setObjectName(name);
    action->setStatusTip(parsed.tip);
    menuItems_.append({QString::fromLatin1(name), parsed});
    return action;
}

QWidget* frmmain::createPanels()
{
    panels_ = new FilePanels(store_, prompter_, m_bActive, this);
    connect(panels_, &FilePanels::selectionChanged, this, &frmmain::EnableMakeDiff);
    connect(panels_, &FilePanels::openRequested, this, &frmmain::openPanelFile);
    connect(panels_, &FilePanels::informationRequested, this,
            [this](const QString& path) { ShowDatInformation(path, *dialogs_, prompter_, this); });
    return panels_;
}

QGroupBox* frmmain::createDestinationFrame()
{
    auto* frame = new QGroupBox(u" Destination : "_s, this);
    frame->setObjectName("Frame2");
    cboFileDest = new QComboBox(frame);
    cboFileDest->setObjectName("cboFileDest");
    cboFileDest->setEditable(true);
    cboFileDest->setInsertPolicy(QComboBox::NoInsert);
    cboFileDest->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    cboFileDest->setMinimumContentsLength(20);
    destinationRecent_ = std::make_unique<RecentCombo>(store_, mru::DestFile, cboFileDest, m_bActive,
                                                       [this] { cboFileDest_Click(); });
    cmdBrowseDest = new QPushButton(ThemedIcon(this, "document-save-as", QStyle::SP_DialogSaveButton), u"&Save as..."_s, frame);
    cmdBrowseDest->setObjectName("cmdBrowseDest");
    connect(cboFileDest, &QComboBox::activated, this, &frmmain::cboFileDest_Click);
    connect(cboFileDest, &QComboBox::editTextChanged, this, &frmmain::EnableMakeDiff);
    connect(cmdBrowseDest, &QPushButton::clicked, this, &frmmain::cmdBrowseDest_Click);

    // The button stays level with the combo, whatever the window's width.
    auto* row = new QHBoxLayout(frame);
    row->addWidget(cboFileDest, 1, Qt::AlignVCenter);
    row->addWidget(cmdBrowseDest, 0, Qt::AlignVCenter);
    return frame;
}

QLayout* frmmain::createCommandRow()
{
    cmdMakeDiff = new QPushButton(ThemedIcon(this, "system-run", QStyle::SP_MediaPlay), u"Make Diff"_s, this);
    cmdMakeDiff->setObjectName("cmdMakeDiff");
    cmdMakeDiff->setDefault(true);
    cmdZipDat = new QToolButton(this);
    cmdZipDat->setObjectName("cmdZipDat");
    cmdZipDat->setCheckable(true);
    cmdZipDat->setIcon(ThemedIcon(this, "package-x-generic", QStyle::SP_DirClosedIcon));
    cmdZipDat->setAccessibleName(u"Zip the diff dat"_s);
    cmdShowLog = new QPushButton(ThemedIcon(this, "utilities-terminal", QStyle::SP_FileDialogContentsView), u"Show &Log"_s, this);
    cmdShowLog->setObjectName("cmdShowLog");
    cmdShowLog->setCheckable(true);
    cmdCreateDat = new QPushButton(ThemedIcon(this, "document-new", QStyle::SP_FileIcon), u"&Create"_s, this);
    cmdCreateDat->setObjectName("cmdCreateDat");

    connect(cmdMakeDiff, &QPushButton::clicked, this, &frmmain::cmdMakeDiff_Click);
    connect(cmdShowLog, &QPushButton::toggled, this, &frmmain::cmdShowLog_Click);
    connect(cmdCreateDat, &QPushButton::clicked, this, &frmmain::mnuFileCreate_Click);

    auto* row = new QHBoxLayout;
    row->addWidget(cmdMakeDiff);
    row->addWidget(cmdZipDat);
    row->addStretch(1);
    row->addWidget(cmdShowLog);
    row->addWidget(cmdCreateDat);
    return row;
}

// ---- window state

void frmmain::saveWindowState()
{
    const SettingsStore::Batch oneWrite(store_);
    SaveWindowPosition(*this, store_);
    store_.write(keys::DiffZipDat, cmdZipDat->isChecked() ? u"True"_s : u"False"_s);
}

void frmmain::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!m_bActive)
        Form_Activate();
}

void frmmain::closeEvent(QCloseEvent* event)
{
    // Closing the window stops a Make Diff under way as its Cancel button would. The window, its
    // log and the results it keeps are the run's until the run has ended, so it closes then.
    if (runningDiff_) {
        runningDiff_->request();
        closeAfterDiff_ = true;
        event->ignore();
        return;
    }
    saveWindowState();
    // The results window would otherwise keep Quillon running after its main window closed.
    lastResults_->closeWindow();
    QMainWindow::closeEvent(event);
}

void frmmain::rebuildSwitches()
{
    m_sSwitches = BuildDiffSwitches(store_);
    setWindowTitle(u"%1 %2 - Options: %3"_s.arg(applicationTitle, QStringLiteral(QUILLON_VERSION), m_sSwitches));
}

void frmmain::ApplyOptions()
{
    rebuildSwitches();
    panels_->useDatFolder();
}

// ---- status tips and the log pane

void frmmain::ShowTips(const QString& sText)
{
    sbStatusBar->showMessage(sText);
}

void frmmain::HideTips()
{
    sbStatusBar->clearMessage();
}

void frmmain::cmdShowLog_Click(bool bShown)
{
    setFixedHeight(bShown ? heightWithLogShown : heightWithLogHidden);
    txtlog->setVisible(bShown);
    if (bShown)
        txtlog->moveCursor(QTextCursor::End);
    cmdShowLog->setText(bShown ? u"Hide &Log"_s : u"Show &Log"_s);
}

// ---- recent lists and the Make Diff inputs

void frmmain::EnableMakeDiff()
{
    cmdMakeDiff->setEnabled(panels_->bothSelected() && !cboFileDest->currentText().isEmpty());
}

void frmmain::Form_Activate()
{
    m_bActive = true;
    panels_->openStartFolders(store_.readInt16(keys::DatFolderMode));
}

void frmmain::cboFileDest_Click()
{
    if (cboFileDest->currentIndex() > 0)
        destinationRecent_->add(cboFileDest->currentText());
    EnableMakeDiff();
}

void frmmain::cmdBrowseDest_Click()
{
    HideTips();
    const QString preset = cboFileDest->currentText();
    const QString chosen = prompter_.chooseFileToSave({.startPath = preset});
    const QString destination = chosen.isEmpty() ? preset : chosen;
    if (destination.isEmpty())
        return;
    cboFileDest->setEditText(DiffDestination(destination));
    destinationRecent_->add(cboFileDest->currentText());
}

void frmmain::RefreshFileList()
{
    panels_->refresh();
}

// ---- menus

void frmmain::mnuSettings_Click()
{
    // The options are those of the run under way until it ends.
    if (runningDiff_)
        return;
    frmOptions options(store_, prompter_, this);
    options.exec();
    ApplyOptions();
}

void frmmain::mnuSettingsCopy_Click()
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(m_sSwitches);
}

void frmmain::mnuAbout_Click()
{
    const QString address = QString::fromLatin1(aboutUrl);
    if (const Outcome opened = shell_.openAddress(address); !opened)
        prompter_.ask({.text = u"The web page %1 could not be opened: %2"_s.arg(address, opened.reason()),
                       .icon = PromptIcon::Critical});
}

void frmmain::openPanelFile(const QString& path)
{
    if (const Outcome opened = shell_.openFile(path); !opened)
        prompter_.ask({.text = u"\"%1\" could not be opened: %2"_s.arg(path, opened.reason()),
                       .icon = PromptIcon::Critical});
}

void frmmain::MenuDesigner()
{
    auto* designer = new frmMenuDesigner(menuItems_, this);
    designer->setAttribute(Qt::WA_DeleteOnClose);
    designer->open();
}

void frmmain::warn(const QString& text)
{
    prompter_.ask({.text = text, .title = u"Warning..."_s, .icon = PromptIcon::Exclamation, .centredOnMainWindow = true});
}

// ---- commands

void frmmain::cmdMakeDiff_Click()
{
    // Window events run while Make Diff works; a click that reaches the window meanwhile must
    // not start a second run over the first one's files.
    if (runningDiff_)
        return;
    RunStop stop;
    {
        const QScopedValueRollback running(runningDiff_, &stop);
        runMakeDiff(stop);
    }
    if (std::exchange(closeAfterDiff_, false))
        close();
}

void frmmain::runMakeDiff(RunStop& stop)
{
    const QString source = panels_->left()->selectedPath();
    const QString compare = panels_->right()->selectedPath();
    if (source.isEmpty() || compare.isEmpty()) {
        warn(u"Please select one Dat per side before press 'Make Diff'!"_s);
        return;
    }
    const QString typed = cboFileDest->currentText();
    if (typed.isEmpty()) {
        warn(u"Please select a destionation Dat before press 'Make Diff'!"_s);
        return;
    }
    destinationRecent_->add(typed);
    const QString destination = DiffDestination(typed);
    cboFileDest->setEditText(destination);
    txtlog->clear();
    QCoreApplication::processEvents();

    const BusyScope busy(this, [&stop] { stop.request(); });
    MakeDiff makeDiff(diffTool_, *dialogs_, prompter_, logPaneSink(txtlog),
                      [this](const QString& text) { ShowTips(text); }, &stop);
    // The results are kept for "Last diff results" and shown unless the user turned that off.
    makeDiff.setReportSink(
        [this, &destination](const DiffReports& reports) { lastResults_->keep(reports, destination); });
    makeDiff.setProgressSink([&busy](const ToolProgress& progress) {
        busy.showProgress(progress.percent(), ToolPhaseText(progress.phase));
    });
    makeDiff.run({source, compare, destination, m_sSwitches, cmdZipDat->isChecked()});
}

// Each report opens a window of its own, so that two comparisons can be laid side by side.
void frmmain::mnuFileOpenReport_Click()
{
    const QString path = prompter_.chooseFileToOpen(
        {u"Open report"_s, reportFolder_, u"setdelta reports (*.json);;All files (*)"_s});
    if (path.isEmpty())
        return;
    reportFolder_ = GetParentFolder(path);
    Result<DiffResults> opened = OpenReport(path);
    if (!opened) {
        prompter_.ask({.text = u"The report could not be opened.\n"_s + opened.reason(),
                       .title = u"Open report"_s,
                       .icon = PromptIcon::Critical});
        return;
    }
    auto* window = new frmDiffResults(std::make_shared<const DiffResults>(std::move(*opened)), prompter_,
                                      [this](const QString& folder) { return shell_.openFile(folder).ok(); }, this);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
}

void frmmain::mnuFileCreate_Click()
{
    frmCreate create(store_, prompter_, this);
    create.exec();
    RefreshFileList();
}

}  // namespace quillon
