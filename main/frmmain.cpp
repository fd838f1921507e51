#include "frmmain.h"

#include "combowidth.h"
#include "datinformation.h"
#include "filelistbox.h"
#include "fileoperations.h"
#include "filepanel.h"
#include "folderpicker.h"
#include "frmcreate.h"
#include "frmdiffresults.h"
#include "frmoptions.h"
#include "logpane.h"
#include "makediff.h"
#include "listhittest.h"
#include "menudesigner.h"
#include "mru.h"
#include "prompter.h"
#include "settingkeys.h"
#include "settingsstore.h"
#include "shellopen.h"
#include "splash.h"
#include "switches.h"
#include "themedicon.h"
#include "utilities.h"
#include "windowdatdialogs.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QScreen>
#include <QShowEvent>
#include <QStatusBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <cmath>

namespace quillon {

// What differs between the handlers of the two panels.
struct frmmain::Side {
    FilePanel* panel;
    FilePanel* other;
    QString mru;
    QString otherMru;
};

namespace {

// The tool read a DAT taken out of a zip archive from a temporary file; the user chose the entry.
void nameAsChosen(DiffInput& input, const ToolInput& chosen)
{
    if (chosen.archive.isEmpty())
        return;
    input.file = chosen.archive;
    input.entry = chosen.entry;
}

const QString applicationTitle = QStringLiteral("Quillon");

// The window's height follows the log pane; its width is the designed one.
constexpr int heightWithLogHidden = 487;
constexpr int heightWithLogShown = 687;
constexpr int designedWidth = 760;
constexpr int layoutSpacing = 6;
// Where the window opens when no position is stored, in twips.
constexpr double designedLeftTwips = 1800;
constexpr double designedTopTwips = 1200;

constexpr int folderDropWidth = 340;
// Room for the drop-down's scroll bar beside the longest recent entry.
constexpr int dropWidthMargin = 25;

const PanelNames leftNames{"Left", "filOld", "cboSourceDat", "lblSource", "Source Dat :", "lblSourceDat", true};
const PanelNames rightNames{"Right", "filNew", "cboCompareWith", "lblCompare", "Compare with:", "lblDatToCompare", false};

struct ButtonTip {
    const char* button;
    const char* tip;
};

const ButtonTip buttonTips[] = {
    {"cmdCopyPathLeft", "Copy the current file list path to the right panel."},
    {"cmdCopyPathRight", "Copy the current file list path to the left panel."},
    {"cmdRefreshLeft", "Force the update of the two file lists."},
    {"cmdRefreshRight", "Force the update of the two file lists."},
    {"cmdBrowseLeft", "Open a Browse For Folder window for the left panel."},
    {"cmdBrowseRight", "Open a Browse For Folder window for the right panel."},
    {"cmdBrowseDest", " Open a Save as... window to select the destination file."},
    {"cmdCreateDat", "Create a dat from a MAME executable."},
    {"cmdShowLog", "Show or Hide the 'setdelta.exe' output capture window."},
    {"cmdMakeDiff", "Start making the diff dat."},
    {"cmdDeleteLeft", "Delete the current selected file on the left panel."},
    {"cmdCopyLeft", "Copy the current selected file on the left panel to the right one."},
    {"cmdMoveLeft", "Move the current selected file on the left panel to the right one."},
    {"cmdDeleteRight", "Delete the current selected file on the right panel."},
    {"cmdCopyRight", "Copy the current selected file on the right panel to the left one."},
    {"cmdMoveRight", "Move the current selected file on the right panel to the left one."},
};

struct MenuPicture {
    const char* key;
    const char* themeName;
    QStyle::StandardPixmap fallback;
};

const MenuPicture menuPictures[] = {
    {"s_Key11", "application-exit", QStyle::SP_DialogCloseButton},
    {"s_Key14", "edit-copy", QStyle::SP_FileIcon},
    {"s_Key15", "view-refresh", QStyle::SP_BrowserReload},
    {"s_Key16", "preferences-system", QStyle::SP_FileDialogDetailedView},
    {"s_Key17", "preferences-desktop", QStyle::SP_FileDialogListView},
    {"s_Key18", "document-new", QStyle::SP_FileIcon},
};

QIcon menuPicture(const QWidget* widget, const QString& key)
{
    for (const MenuPicture& picture : menuPictures) {
        if (key == QLatin1String(picture.key))
            return ThemedIcon(widget, picture.themeName, picture.fallback);
    }
    return {};
}

int twipsToPixels(double twips)
{
    return static_cast<int>(std::lround(twips / twipsPerPixel));
}

QString pixelsToTwips(int pixels)
{
    return QString::number(pixels * twipsPerPixel);
}

// A stored position is used only while some screen still shows it; a screen removed since
// would otherwise leave the window where nobody can reach it.
bool onSomeScreen(const QPoint& topLeft)
{
    return QGuiApplication::screenAt(topLeft + QPoint(1, 1)) != nullptr;
}

QString withDatExtension(const QString& path)
{
    return GetExtension(path).toLower() == QLatin1String("dat") ? path : path + ".dat";
}

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
    // Tahoma by name, as every window asks for it, at the desktop's own size.
    QFont font = QApplication::font();
    font.setFamily("Tahoma");
    setFont(font);

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

    setButtonTips();
    SetComboDropWidth(left_->cboFolder, folderDropWidth);
    SetComboDropWidth(right_->cboFolder, folderDropWidth);
    for (const Side& side : {leftSide(), rightSide()}) {
        side.panel->cboFilter->addItems(filterCaptions);
        side.panel->cboFilter->setCurrentIndex(0);
        cboFilter_Click(side, 0);
    }

    resize(designedWidth, heightWithLogHidden);
    setFixedHeight(heightWithLogHidden);
    restorePosition();

    LoadMRUs(mru::SourceDat);
    LoadMRUs(mru::CompareWith);
    LoadMRUs(mru::DestFile);
    cmdZipDat->setChecked(store_.readBool(keys::DiffZipDat));
    rebuildSwitches();
    EnableMakeDiff();
}

frmmain::~frmmain() = default;

frmmain::Side frmmain::leftSide() const
{
    return {left_, right_, mru::SourceDat, mru::CompareWith};
}

frmmain::Side frmmain::rightSide() const
{
    return {right_, left_, mru::CompareWith, mru::SourceDat};
}

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
    QMenu* mnuFile = bar->addMenu("&File");
    mnuFile->setObjectName("mnuFile");
    connect(addMenuItem(mnuFile, "mnuFileCreate", "&Create a MAME datfile|@Create a dat from a MAME executable.|#s_Key18"),
            &QAction::triggered, this, &frmmain::mnuFileCreate_Click);
    connect(addMenuItem(mnuFile, "mnuFileRefresh", "&Refresh file lists|@Force the update of the two file lists.|#s_Key15"),
            &QAction::triggered, this, &frmmain::RefreshFileList);
    mnuFileLastResults = addMenuItem(mnuFile, "mnuFileLastResults",
                                     "&Last diff results|@Show again what the last Make Diff found.");
    mnuFileLastResults->setEnabled(false);
    connect(mnuFileLastResults, &QAction::triggered, this, &frmmain::mnuFileLastResults_Click);
    mnuFile->addSeparator()->setObjectName("mnuFileSep1");
    connect(addMenuItem(mnuFile, "mnuFileExit", "&Exit|@Exit the application.|#s_Key11"), &QAction::triggered, this,
            &QWidget::close);

    QMenu* mnuOptions = bar->addMenu("&Options");
    mnuOptions->setObjectName("mnuOptions");
    connect(addMenuItem(mnuOptions, "mnuSettings", "&Settings|@Open the settings window.|#s_Key16"),
            &QAction::triggered, this, &frmmain::mnuSettings_Click);
    mnuAdvancedDesigner = addMenuItem(mnuOptions, "mnuAdvancedDesigner", "Open Menu Designer|#s_Key17");
    connect(mnuAdvancedDesigner, &QAction::triggered, this, &frmmain::MenuDesigner);
    mnuOptions->addSeparator()->setObjectName("mnusep");
    connect(addMenuItem(mnuOptions, "mnuSettingsCopy",
                        "Settings to Clipboard|@Copy the current settings for setdelta commandline to clipboard.|#s_Key14"),
            &QAction::triggered, this, &frmmain::mnuSettingsCopy_Click);

    QAction* mnuAbout = bar->addAction("&About");
    mnuAbout->setObjectName("mnuAbout");
    menuItems_.append({"mnuAbout", ParseMenuCaption("&About")});
    connect(mnuAbout, &QAction::triggered, this, &frmmain::mnuAbout_Click);
}

// The tip goes into the action's status tip, which the window shows in status panel 1 while
// the item is hovered.
QAction* frmmain::addMenuItem(QMenu* menu, const char* name, const QString& caption)
{
    const MenuCaption parsed = ParseMenuCaption(caption);
    QAction* action = menu->addAction(menuPicture(this, parsed.pictureKey), parsed.text);
    action->setObjectName(name);
    action->setStatusTip(parsed.tip);
    menuItems_.append({name, parsed});
    return action;
}

QWidget* frmmain::createPanels()
{
    auto* panels = new QWidget(this);
    left_ = new FilePanel(leftNames, panels);
    right_ = new FilePanel(rightNames, panels);
    auto* divider = new QFrame(panels);
    divider->setFrameShape(QFrame::VLine);
    divider->setFrameShadow(QFrame::Sunken);
    auto* layout = new QHBoxLayout(panels);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(left_, 1);
    layout->addWidget(divider);
    layout->addWidget(right_, 1);
    connectPanel(leftSide());
    connectPanel(rightSide());
    connect(left_->cmdCopy, &QPushButton::clicked, this, &frmmain::cmdCopyLeft_Click);
    connect(right_->cmdCopy, &QPushButton::clicked, this, &frmmain::cmdCopyRight_Click);
    return panels;
}

void frmmain::connectPanel(const Side& side)
{
    FilePanel* panel = side.panel;
    const bool isLeft = panel == left_;
    auto sideNow = [this, isLeft] { return isLeft ? leftSide() : rightSide(); };
    connect(panel->cboFolder, &QComboBox::activated, this, [this, sideNow] { cboFolder_Click(sideNow()); });
    connect(panel->cboFilter, &QComboBox::activated, this,
            [this, sideNow](int index) { cboFilter_Click(sideNow(), index); });
    connect(panel->cmdBrowse, &QToolButton::clicked, this, [this, sideNow] { cmdBrowse_Click(sideNow()); });
    connect(panel->cmdRefresh, &QToolButton::clicked, this, &frmmain::RefreshFileList);
    connect(panel->cmdCopyPath, &QToolButton::clicked, this, [this, sideNow] { cmdCopyPath_Click(sideNow()); });
    connect(panel->cmdMove, &QPushButton::clicked, this, [this, sideNow] { cmdMove_Click(sideNow()); });
    connect(panel->cmdDelete, &QPushButton::clicked, this, [this, sideNow] { cmdDelete_Click(sideNow()); });
    connect(panel->cmdInfo, &QPushButton::clicked, this, [this, sideNow] { cmdInfo_Click(sideNow()); });
    connect(panel->fil, &QListWidget::itemSelectionChanged, this, [this, sideNow] { fil_Click(sideNow()); });
    connect(panel->fil, &QListWidget::itemDoubleClicked, this, [this, sideNow] { fil_DblClick(sideNow()); });
    connect(panel->fil, &FileListBox::pathChanged, this, [this, sideNow] { fil_PathChange(sideNow()); });
}

QGroupBox* frmmain::createDestinationFrame()
{
    auto* frame = new QGroupBox(" Destination : ", this);
    frame->setObjectName("Frame2");
    cboFileDest = new QComboBox(frame);
    cboFileDest->setObjectName("cboFileDest");
    cboFileDest->setEditable(true);
    cboFileDest->setInsertPolicy(QComboBox::NoInsert);
    cboFileDest->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    cboFileDest->setMinimumContentsLength(20);
    cmdBrowseDest = new QPushButton(ThemedIcon(this, "document-save-as", QStyle::SP_DialogSaveButton), "&Save as...", frame);
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
    cmdMakeDiff = new QPushButton(ThemedIcon(this, "system-run", QStyle::SP_MediaPlay), "Make Diff", this);
    cmdMakeDiff->setObjectName("cmdMakeDiff");
    cmdMakeDiff->setDefault(true);
    cmdZipDat = new QToolButton(this);
    cmdZipDat->setObjectName("cmdZipDat");
    cmdZipDat->setCheckable(true);
    cmdZipDat->setIcon(ThemedIcon(this, "package-x-generic", QStyle::SP_DirClosedIcon));
    cmdZipDat->setAccessibleName("Zip the diff dat");
    cmdShowLog = new QPushButton(ThemedIcon(this, "utilities-terminal", QStyle::SP_FileDialogContentsView), "Show &Log", this);
    cmdShowLog->setObjectName("cmdShowLog");
    cmdShowLog->setCheckable(true);
    cmdCreateDat = new QPushButton(ThemedIcon(this, "document-new", QStyle::SP_FileIcon), "&Create", this);
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

// Hovering a button shows its status tip in status panel 1 and leaving it clears the panel.
// Buttons with only a picture show the tip as their tooltip too.
void frmmain::setButtonTips()
{
    for (const ButtonTip& entry : buttonTips) {
        auto* button = findChild<QAbstractButton*>(entry.button);
        button->setStatusTip(entry.tip);
        if (button->text().isEmpty())
            button->setToolTip(QString(entry.tip).trimmed());
    }
}

// ---- window state

void frmmain::restorePosition()
{
    const QPoint designed(twipsToPixels(designedLeftTwips), twipsToPixels(designedTopTwips));
    const QPoint stored(twipsToPixels(store_.readDouble(keys::PositionLeft, designedLeftTwips)),
                        twipsToPixels(store_.readDouble(keys::PositionTop, designedTopTwips)));
    move(onSomeScreen(stored) ? stored : designed);
}

void frmmain::savePosition()
{
    store_.write(keys::PositionTop, pixelsToTwips(pos().y()));
    store_.write(keys::PositionLeft, pixelsToTwips(pos().x()));
    store_.write(keys::DiffZipDat, cmdZipDat->isChecked() ? "True" : "False");
    store_.sync();
}

void frmmain::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!m_bActive)
        Form_Activate();
}

void frmmain::closeEvent(QCloseEvent* event)
{
    // Closing the window stops a Make Diff under way as its Cancel button would.
    if (runningDiff_)
        runningDiff_->request();
    savePosition();
    // The results window would otherwise keep Quillon running after its main window closed.
    if (resultsWindow_)
        resultsWindow_->close();
    QMainWindow::closeEvent(event);
}

void frmmain::rebuildSwitches()
{
    m_sSwitches = BuildDiffSwitches(store_);
    setWindowTitle(QString("%1 %2 - Options: %3").arg(applicationTitle, QUILLON_VERSION, m_sSwitches));
}

void frmmain::ApplyOptions()
{
    rebuildSwitches();
    useDatFolder();
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
    cmdShowLog->setText(bShown ? "Hide &Log" : "Show &Log");
}

// ---- recent lists and the Make Diff inputs

QComboBox* frmmain::comboOfMru(const QString& sMRU) const
{
    if (sMRU == QLatin1String(mru::SourceDat))
        return left_->cboFolder;
    if (sMRU == QLatin1String(mru::CompareWith))
        return right_->cboFolder;
    if (sMRU == QLatin1String(mru::DestFile))
        return cboFileDest;
    return nullptr;
}

void frmmain::LoadMRUs(const QString& sMRU)
{
    QComboBox* combo = comboOfMru(sMRU);
    if (!combo)
        return;
    const QStringList entries = LoadMRU(store_, sMRU);
    if (!entries.first().isEmpty()) {
        combo->clear();
        combo->addItems(entries);
        // Until the window is first shown the lists are filled without choosing anything.
        combo->setCurrentIndex(-1);
        combo->setEditText(QString());
    }
    QString longest;
    for (const QString& entry : entries) {
        if (entry.size() > longest.size())
            longest = entry;
    }
    const int longestWidth = combo->fontMetrics().horizontalAdvance(longest);
    if (combo->width() < longestWidth)
        SetComboDropWidth(combo, longestWidth + dropWidthMargin);
    if (m_bActive && combo->count() > 0)
        selectFirstRecent(combo);
}

// Selecting the top entry acts as if the user had chosen it.
void frmmain::selectFirstRecent(QComboBox* combo)
{
    combo->setCurrentIndex(0);
    if (combo == cboFileDest)
        cboFileDest_Click();
    else
        cboFolder_Click(combo == left_->cboFolder ? leftSide() : rightSide());
}

void frmmain::EnableMakeDiff()
{
    cmdMakeDiff->setEnabled(!left_->lblSelection->text().isEmpty() && !right_->lblSelection->text().isEmpty() &&
                            !cboFileDest->currentText().isEmpty());
}

void frmmain::Form_Activate()
{
    m_bActive = true;
    switch (store_.readInt16(keys::DatFolderMode)) {
    case 0:
        for (QComboBox* combo : {left_->cboFolder, right_->cboFolder}) {
            if (combo->count() > 0)
                selectFirstRecent(combo);
        }
        break;
    case 1: useDatFolder(); break;
    default: break;
    }
}

// Both panels start in the fixed DAT folder of the options, when one is set.
void frmmain::useDatFolder()
{
    const QString folder = store_.readString(keys::DatFolder);
    if (folder.isEmpty())
        return;
    for (const Side& side : {leftSide(), rightSide()}) {
        side.panel->fil->setPath(folder);
        side.panel->cboFolder->setEditText(folder);
    }
    for (const Side& side : {leftSide(), rightSide()}) {
        AddToMRU(store_, side.mru, side.panel->cboFolder->currentText());
        LoadMRUs(side.mru);
    }
}

void frmmain::cboFolder_Click(const Side& side)
{
    QComboBox* combo = side.panel->cboFolder;
    if (combo->currentIndex() > 0) {
        AddToMRU(store_, side.mru, combo->currentText());
        LoadMRUs(side.mru);
    }
    // A remembered folder that is gone leaves the panel where it was.
    side.panel->fil->setPath(combo->currentText());
    EnableMakeDiff();
    left_->cmdDelete->setEnabled(false);
    right_->cmdDelete->setEnabled(false);
}

void frmmain::cboFileDest_Click()
{
    if (cboFileDest->currentIndex() > 0) {
        AddToMRU(store_, mru::DestFile, cboFileDest->currentText());
        LoadMRUs(mru::DestFile);
    }
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
    cboFileDest->setEditText(withDatExtension(destination));
    AddToMRU(store_, mru::DestFile, cboFileDest->currentText());
    LoadMRUs(mru::DestFile);
}

// ---- the file panels

void frmmain::RefreshFileList()
{
    for (FilePanel* panel : {left_, right_}) {
        panel->fil->refresh();
        panel->clearSelection();
    }
    EnableMakeDiff();
}

void frmmain::cboFilter_Click(const Side& side, int index)
{
    const std::optional<QString> pattern = FilterPattern(index);
    if (!pattern)
        return;
    side.panel->fil->setPattern(*pattern);
    RefreshFileList();
}

void frmmain::cmdBrowse_Click(const Side& side)
{
    const QString current = side.panel->folder();
    const QString chosen = BrowseForFolder(prompter_, current);
    if (chosen == current || !side.panel->fil->setPath(chosen))
        return;
    side.panel->cboFolder->setEditText(side.panel->folder());
    AddToMRU(store_, side.mru, side.panel->cboFolder->currentText());
    LoadMRUs(side.mru);
}

// The other panel takes this panel's folder, as it is listed; the combo's text may still
// name a remembered folder that could not be opened.
void frmmain::cmdCopyPath_Click(const Side& side)
{
    if (!side.other->fil->setPath(side.panel->folder()))
        return;
    side.other->cboFolder->setEditText(side.other->folder());
    AddToMRU(store_, side.otherMru, side.other->cboFolder->currentText());
    LoadMRUs(side.otherMru);
    RefreshFileList();
}

// Folders are compared as text, letter case included.
void frmmain::cmdCopyLeft_Click()
{
    const QString name = left_->fil->fileName();
    if (left_->folder() == right_->folder() || name.isEmpty())
        return;
    CopyFileAskingFirst(prompter_, this, PathInFolder(left_->folder(), name), PathInFolder(right_->folder(), name));
    RefreshFileList();
}

void frmmain::cmdCopyRight_Click()
{
    const QString name = right_->fil->fileName();
    if (left_->folder() == right_->folder() || name.isEmpty())
        return;
    FileCopy(PathInFolder(right_->folder(), name), PathInFolder(left_->folder(), name));
    RefreshFileList();
}

void frmmain::cmdMove_Click(const Side& side)
{
    const QString name = side.panel->fil->fileName();
    if (side.panel->folder() == side.other->folder() || name.isEmpty())
        return;
    FileCopy(PathInFolder(side.panel->folder(), name), PathInFolder(side.other->folder(), name), true);
    RefreshFileList();
}

void frmmain::FileCopy(const QString& sSourceFile, const QString& sDestFile, bool bMove)
{
    quillon::FileCopy(prompter_, sSourceFile, sDestFile, bMove);
}

// A file that could not be deleted is reported and the panels stay as they were.
void frmmain::cmdDelete_Click(const Side& side)
{
    if (DeleteFileAsked(prompter_, side.panel->folder(), side.panel->fil->fileName()))
        RefreshFileList();
}

void frmmain::fil_Click(const Side& side)
{
    side.panel->showSelection();
    EnableMakeDiff();
}

void frmmain::fil_DblClick(const Side& side)
{
    const QString path = side.panel->selectedPath();
    if (!path.isEmpty())
        shell_.openFile(path);
}

void frmmain::fil_PathChange(const Side& side)
{
    RefreshFileList();
    side.panel->lblSelection->clear();
}

// ---- menus

void frmmain::mnuSettings_Click()
{
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
    shell_.openAddress(aboutUrl);
}

void frmmain::MenuDesigner()
{
    auto* designer = new frmMenuDesigner(menuItems_, this);
    designer->setAttribute(Qt::WA_DeleteOnClose);
    designer->open();
}

void frmmain::warn(const QString& text)
{
    prompter_.ask({.text = text, .title = "Warning...", .icon = PromptIcon::Exclamation, .centredOnMainWindow = true});
}

// ---- commands

void frmmain::cmdMakeDiff_Click()
{
    const QString source = left_->selectedPath();
    const QString compare = right_->selectedPath();
    if (source.isEmpty() || compare.isEmpty()) {
        warn("Please select one Dat per side before press 'Make Diff'!");
        return;
    }
    const QString typed = cboFileDest->currentText();
    if (typed.isEmpty()) {
        warn("Please select a destionation Dat before press 'Make Diff'!");
        return;
    }
    AddToMRU(store_, mru::DestFile, typed);
    LoadMRUs(mru::DestFile);
    const QString destination = DiffDestination(typed);
    cboFileDest->setEditText(destination);
    txtlog->clear();
    QCoreApplication::processEvents();

    RunStop stop;
    const QScopedValueRollback running(runningDiff_, &stop);
    const BusyScope busy(this, [&stop] { stop.request(); });
    MakeDiff makeDiff(diffTool_, *dialogs_, prompter_, logPaneSink(txtlog),
                      [this](const QString& text) { ShowTips(text); }, &stop);
    makeDiff.setReportSink([this, &destination](const DiffReports& reports) { showDiffReport(reports, destination); });
    makeDiff.run({source, compare, destination, m_sSwitches, cmdZipDat->isChecked()});
}

void frmmain::cmdInfo_Click(const Side& side)
{
    ShowDatInformation(side.panel->selectedPath(), *dialogs_, prompter_, this);
}

void frmmain::showDiffResults(DiffResults results)
{
    lastResults_ = std::make_shared<const DiffResults>(std::move(results));
    mnuFileLastResults->setEnabled(true);
    if (resultsShownAfterMakeDiff())
        mnuFileLastResults_Click();
}

void frmmain::showDiffReport(const DiffReports& reports, const QString& destination)
{
    DiffResults results;
    if (Outcome loaded = LoadDiffResults(reports.json, reports.readable, results); !loaded) {
        // An earlier run's results would pass for this run's.
        lastResults_.reset();
        mnuFileLastResults->setEnabled(false);
        if (resultsShownAfterMakeDiff())
            prompter_.ask({.text = "The diff DAT was written, but its results could not be read.\n" + loaded.reason(),
                           .title = "Diff results",
                           .icon = PromptIcon::Exclamation,
                           .centredOnMainWindow = true});
        return;
    }
    results.destination = destination;
    nameAsChosen(results.oldInput, reports.source);
    nameAsChosen(results.newInput, reports.compare);
    showDiffResults(std::move(results));
}

bool frmmain::resultsShownAfterMakeDiff() const
{
    return store_.readInt16(keys::ShowDiffResults) == 1;
}

// One results window at a time: the one of earlier results makes way.
void frmmain::mnuFileLastResults_Click()
{
    if (!lastResults_)
        return;
    if (resultsWindow_)
        resultsWindow_->close();
    resultsWindow_ = new frmDiffResults(lastResults_, prompter_, shell_.openFile, this);
    resultsWindow_->setAttribute(Qt::WA_DeleteOnClose);
    resultsWindow_->show();
    resultsWindow_->raise();
    resultsWindow_->activateWindow();
}

void frmmain::mnuFileCreate_Click()
{
    frmCreate create(store_, prompter_, this);
    create.exec();
    RefreshFileList();
}

}  // namespace quillon
