#include "filepanels.h"

#include "combowidth.h"
#include "fileoperations.h"
#include "filelistbox.h"
#include "filepanel.h"
#include "foldercombo.h"
#include "folderpicker.h"
#include "mru.h"
#include "panelcopy.h"
#include "prompter.h"
#include "recentcombo.h"
#include "settingkeys.h"
#include "settingsstore.h"
#include "utilities.h"

#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

namespace quillon {

using namespace Qt::Literals::StringLiterals;

// What differs between the handlers of the two panels.
struct FilePanels::Side {
    FilePanel* panel;
    FilePanel* other;
    RecentCombo& recent;
    RecentCombo& otherRecent;
};

namespace {

constexpr int folderDropWidth = 340;

const PanelNames leftNames{"Left", "filOld", "cboSourceDat", "lblSource", "Source Dat :", "lblSourceDat", true};
const PanelNames rightNames{"Right", "filNew", "cboCompareWith", "lblCompare", "Compare with:", "lblDatToCompare", false};

}  // namespace

FilePanels::FilePanels(SettingsStore& store, Prompter& prompter, const bool& windowActive, QWidget* parent)
    : QWidget(parent),
      store_(store),
      prompter_(prompter),
      left_(new FilePanel(leftNames, this)),
      right_(new FilePanel(rightNames, this)),
      sourceRecent_(std::make_unique<RecentCombo>(store, mru::SourceDat, left_->cboFolder, windowActive,
                                                  [this] { cboFolder_Click(leftSide()); })),
      compareRecent_(std::make_unique<RecentCombo>(store, mru::CompareWith, right_->cboFolder, windowActive,
                                                   [this] { cboFolder_Click(rightSide()); }))
{
    auto* divider = new QFrame(this);
    divider->setFrameShape(QFrame::VLine);
    divider->setFrameShadow(QFrame::Sunken);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(left_, 1);
    layout->addWidget(divider);
    layout->addWidget(right_, 1);
    connectPanel(true);
    connectPanel(false);
    connect(left_->cmdCopy, &QPushButton::clicked, this, &FilePanels::cmdCopyLeft_Click);
    connect(right_->cmdCopy, &QPushButton::clicked, this, &FilePanels::cmdCopyRight_Click);

    for (const Side& side : {leftSide(), rightSide()}) {
        SetComboDropWidth(side.panel->cboFolder, folderDropWidth);
        side.panel->cboFilter->addItems(filterCaptions);
        side.panel->cboFilter->setCurrentIndex(0);
        cboFilter_Click(side, 0);
    }
    sourceRecent_->reload();
    compareRecent_->reload();
}

FilePanels::~FilePanels() = default;

FilePanels::Side FilePanels::leftSide() const
{
    return {left_, right_, *sourceRecent_, *compareRecent_};
}

FilePanels::Side FilePanels::rightSide() const
{
    return {right_, left_, *compareRecent_, *sourceRecent_};
}

void FilePanels::connectPanel(bool isLeft)
{
    FilePanel* panel = isLeft ? left_ : right_;
    auto side = [this, isLeft] { return isLeft ? leftSide() : rightSide(); };
    connect(panel->cboFolder, &QComboBox::activated, this, [this, side] { cboFolder_Click(side()); });
    connect(panel->cboFolder->lineEdit(), &QLineEdit::returnPressed, this, [this, side] { cboFolder_Enter(side()); });
    connect(panel->cboFilter, &QComboBox::activated, this, [this, side](int index) { cboFilter_Click(side(), index); });
    connect(panel->cmdBrowse, &QToolButton::clicked, this, [this, side] { cmdBrowse_Click(side()); });
    connect(panel->cmdRefresh, &QToolButton::clicked, this, &FilePanels::refresh);
    connect(panel->cmdCopyPath, &QToolButton::clicked, this, [this, side] { cmdCopyPath_Click(side()); });
    connect(panel->cmdMove, &QPushButton::clicked, this, [this, side] { cmdMove_Click(side()); });
    connect(panel->cmdDelete, &QPushButton::clicked, this, [this, side] { cmdDelete_Click(side()); });
    connect(panel->cmdInfo, &QPushButton::clicked, this,
            [this, panel] { emit informationRequested(panel->selectedPath()); });
    connect(panel->fil, &QListWidget::itemSelectionChanged, this, [this, side] { fil_Click(side()); });
    connect(panel->fil, &QListWidget::itemDoubleClicked, this, [this, panel] {
        if (const QString path = panel->selectedPath(); !path.isEmpty())
            emit openRequested(path);
    });
    connect(panel->fil, &FileListBox::pathChanged, this, [this, side] { fil_PathChange(side()); });
}

bool FilePanels::bothSelected() const
{
    return !left_->lblSelection->text().isEmpty() && !right_->lblSelection->text().isEmpty();
}

void FilePanels::refresh()
{
    for (FilePanel* panel : {left_, right_}) {
        panel->fil->refresh();
        panel->clearSelection();
    }
    emit selectionChanged();
}

void FilePanels::openStartFolders(int mode)
{
    switch (mode) {
    case 0:
        for (QComboBox* combo : {left_->cboFolder, right_->cboFolder}) {
            if (combo->count() > 0) {
                combo->setCurrentIndex(0);
                cboFolder_Click(combo == left_->cboFolder ? leftSide() : rightSide());
            }
        }
        break;
    case 1: useDatFolder(); break;
    default: break;
    }
}

void FilePanels::useDatFolder()
{
    const QString folder = store_.readString(keys::DatFolder);
    if (folder.isEmpty())
        return;
    for (const Side& side : {leftSide(), rightSide()}) {
        side.panel->fil->setPath(folder);
        side.panel->cboFolder->setEditText(folder);
    }
    for (const Side& side : {leftSide(), rightSide()})
        side.recent.add(side.panel->cboFolder->currentText());
}

void FilePanels::cboFolder_Click(const Side& side)
{
    QComboBox* combo = side.panel->cboFolder;
    if (combo->currentIndex() > 0)
        side.recent.add(combo->currentText());
    // A remembered folder that is gone leaves the panel where it was.
    side.panel->fil->setPath(combo->currentText());
    emit selectionChanged();
    left_->cmdDelete->setEnabled(false);
    right_->cmdDelete->setEnabled(false);
}

// A typed or pasted folder goes into the panel and to the top of its list; one that cannot be
// listed is reported and changes nothing.
void FilePanels::cboFolder_Enter(const Side& side)
{
    const TypedFolder typed = ResolveTypedFolder(side.panel->folder(), side.panel->cboFolder->currentText());
    if (!typed.usable) {
        prompter_.ask({.text = typed.usable.reason(), .icon = PromptIcon::Exclamation});
        return;
    }
    if (!side.panel->fil->setPath(typed.path))
        return;
    side.panel->cboFolder->setEditText(side.panel->folder());
    side.recent.add(side.panel->cboFolder->currentText());
}

void FilePanels::cboFilter_Click(const Side& side, int index)
{
    const std::optional<QString> pattern = FilterPattern(index);
    if (!pattern)
        return;
    side.panel->fil->setPattern(*pattern);
    refresh();
}

void FilePanels::cmdBrowse_Click(const Side& side)
{
    const QString current = side.panel->folder();
    const QString chosen = BrowseForFolder(prompter_, current);
    if (chosen == current || !side.panel->fil->setPath(chosen))
        return;
    side.panel->cboFolder->setEditText(side.panel->folder());
    side.recent.add(side.panel->cboFolder->currentText());
}

// The other panel takes this panel's folder, as it is listed; the combo's text may still
// name a remembered folder that could not be opened.
void FilePanels::cmdCopyPath_Click(const Side& side)
{
    if (!side.other->fil->setPath(side.panel->folder()))
        return;
    side.other->cboFolder->setEditText(side.other->folder());
    side.otherRecent.add(side.other->cboFolder->currentText());
    refresh();
}

// Folders are compared as text, letter case included.
void FilePanels::cmdCopyLeft_Click()
{
    const QString name = left_->fil->fileName();
    if (left_->folder() == right_->folder() || name.isEmpty())
        return;
    CopyFileAskingFirst(prompter_, this, PathInFolder(left_->folder(), name), PathInFolder(right_->folder(), name));
    refresh();
}

void FilePanels::cmdCopyRight_Click()
{
    const QString name = right_->fil->fileName();
    if (left_->folder() == right_->folder() || name.isEmpty())
        return;
    FileCopy(prompter_, PathInFolder(right_->folder(), name), PathInFolder(left_->folder(), name));
    refresh();
}

void FilePanels::cmdMove_Click(const Side& side)
{
    const QString name = side.panel->fil->fileName();
    if (side.panel->folder() == side.other->folder() || name.isEmpty())
        return;
    FileCopy(prompter_, PathInFolder(side.panel->folder(), name), PathInFolder(side.other->folder(), name), true);
    refresh();
}

// A file that could not be deleted is reported and the panels stay as they were.
void FilePanels::cmdDelete_Click(const Side& side)
{
    if (DeleteFileAsked(prompter_, side.panel->folder(), side.panel->fil->fileName()))
        refresh();
}

void FilePanels::fil_Click(const Side& side)
{
    side.panel->showSelection();
    emit selectionChanged();
}

void FilePanels::fil_PathChange(const Side& side)
{
    refresh();
    side.panel->lblSelection->clear();
}

}  // namespace quillon
