#include "frmrenamesets.h"

#include "prompter.h"

#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace quillon {

using namespace Qt::Literals::StringLiterals;

namespace {

const QString renameTitle = u"Rename files"_s;

QPushButton* button(const QString& caption, const char* name)
{
    auto* created = new QPushButton(caption);
    created->setObjectName(name);
    return created;
}

QTableWidgetItem* cell(const QString& text)
{
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    return item;
}

}  // namespace

frmRenameSets::frmRenameSets(QList<SetMove> moves, Prompter& prompter, QString journalFolder, QWidget* parent)
    : QDialog(parent), moves_(std::move(moves)), prompter_(prompter), journalFolder_(std::move(journalFolder))
{
    setObjectName("frmRenameSets");
    setWindowTitle(renameTitle);
    resize(820, 560);

    auto* lblMoves = new QLabel(
        u"%1 sets were renamed between the two DATs. Add the folders whose files are to follow them "
        "(ROMs, CHDs, snapshots, cfg, nvram, artwork, samples): every file, archive or folder named "
        "after an old set gets the new name. Nothing is renamed before you click Rename, and "
        "nothing is ever overwritten."_s.arg(moves_.size()));
    lblMoves->setObjectName("lblMoves");
    lblMoves->setWordWrap(true);

    lstFolders = new QListWidget;
    lstFolders->setObjectName("lstFolders");
    lstFolders->setMaximumHeight(110);
    QPushButton* cmdAddFolder = button(u"Add folder..."_s, "cmdAddFolder");
    cmdRemoveFolder = button(u"Remove folder"_s, "cmdRemoveFolder");
    cmdRemoveFolder->setEnabled(false);
    auto* folderButtons = new QVBoxLayout;
    folderButtons->addWidget(cmdAddFolder);
    folderButtons->addWidget(cmdRemoveFolder);
    folderButtons->addStretch();
    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(lstFolders, 1);
    folderRow->addLayout(folderButtons);

    tblPlan = new QTableWidget(0, 4);
    tblPlan->setObjectName("tblPlan");
    tblPlan->setHorizontalHeaderLabels({u"Folder"_s, u"From"_s, u"To"_s, u"What will happen"_s});
    tblPlan->horizontalHeader()->setStretchLastSection(true);
    tblPlan->verticalHeader()->hide();
    tblPlan->setSelectionBehavior(QAbstractItemView::SelectRows);

    lblPlan = new QLabel;
    lblPlan->setObjectName("lblPlan");
    cmdRename = button(u"Rename"_s, "cmdRename");
    QPushButton* cmdClose = button(u"Close"_s, "cmdClose");
    auto* buttonRow = new QHBoxLayout;
    buttonRow->addWidget(lblPlan, 1);
    buttonRow->addWidget(cmdRename);
    buttonRow->addWidget(cmdClose);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblMoves);
    layout->addLayout(folderRow);
    layout->addWidget(tblPlan, 1);
    layout->addLayout(buttonRow);

    connect(cmdAddFolder, &QPushButton::clicked, this, &frmRenameSets::cmdAddFolder_Click);
    connect(cmdRemoveFolder, &QPushButton::clicked, this, &frmRenameSets::cmdRemoveFolder_Click);
    connect(cmdRename, &QPushButton::clicked, this, &frmRenameSets::cmdRename_Click);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::reject);
    connect(lstFolders, &QListWidget::currentRowChanged, this,
            [this](int row) { cmdRemoveFolder->setEnabled(row >= 0); });
    showPlan();
}

QStringList frmRenameSets::folders() const
{
    QStringList listed;
    for (int row = 0; row < lstFolders->count(); ++row)
        listed.append(lstFolders->item(row)->text());
    return listed;
}

void frmRenameSets::cmdAddFolder_Click()
{
    const QStringList listed = folders();
    const QString folder = prompter_.chooseFolder(u"Add a folder of your collection"_s,
                                                  listed.isEmpty() ? QDir::homePath() : listed.last());
    if (folder.isEmpty() || listed.contains(folder))
        return;
    lstFolders->addItem(folder);
    if (!replan())
        delete lstFolders->takeItem(lstFolders->count() - 1);
    showPlan();
}

void frmRenameSets::cmdRemoveFolder_Click()
{
    delete lstFolders->takeItem(lstFolders->currentRow());
    replan();
    showPlan();
}

bool frmRenameSets::replan()
{
    RenamePlan planned;
    if (Outcome made = PlanSetRenames(moves_, folders(), planned); !made) {
        prompter_.ask({.text = u"This folder cannot be read:\n"_s + made.reason(), .title = renameTitle,
                       .icon = PromptIcon::Exclamation});
        return false;
    }
    plan_ = std::move(planned);
    return true;
}

void frmRenameSets::showPlan()
{
    tblPlan->setRowCount(0);
    tblPlan->setRowCount(int(plan_.renames.size()));
    for (int row = 0; row < tblPlan->rowCount(); ++row) {
        const PlannedRename& rename = plan_.renames.at(row);
        tblPlan->setItem(row, 0, cell(QDir::toNativeSeparators(rename.folder)));
        tblPlan->setItem(row, 1, cell(rename.from));
        tblPlan->setItem(row, 2, cell(rename.to));
        tblPlan->setItem(row, 3, cell(DescribePlanned(rename)));
    }
    tblPlan->horizontalHeaderItem(3)->setText(u"What will happen"_s);
    tblPlan->resizeColumnsToContents();
    const qsizetype toRename = plan_.renameCount();
    lblPlan->setText(lstFolders->count() == 0
                         ? u"Add the folders to look in."_s
                         : u"%1 to rename, %2 to skip."_s.arg(toRename).arg(plan_.renames.size() - toRename));
    cmdRename->setEnabled(toRename > 0);
}

void frmRenameSets::cmdRename_Click()
{
    const qsizetype toRename = plan_.renameCount();
    const PromptAnswer answer = prompter_.ask(
        {.text = u"Rename %1 files and folders as listed? Those marked \"skip\" stay as they are.\n\n"
                 "File > Undo last rename puts them back."_s.arg(toRename),
         .title = renameTitle,
         .icon = PromptIcon::Question,
         .buttons = PromptButtons::YesNo,
         .defaultAnswer = PromptAnswer::Yes});
    if (answer != PromptAnswer::Yes)
        return;
    RenameRun run;
    const Outcome made = ApplyRenamePlan(plan_, journalFolder_, run);
    showResults(run);
    const QString undoHint = run.journal.isEmpty() ? QString() : u"\n\nFile > Undo last rename puts them back."_s;
    if (made) {
        prompter_.ask({.text = u"%1 of %2 renamed."_s.arg(run.renamed).arg(plan_.renames.size()) + undoHint,
                       .title = renameTitle, .icon = PromptIcon::Information});
    } else {
        prompter_.ask({.text = u"Renaming stopped after %1 of %2:\n%3"_s.arg(run.renamed).arg(plan_.renames.size()).arg(made.reason())
                               + undoHint,
                       .title = renameTitle, .icon = PromptIcon::Exclamation});
    }
}

void frmRenameSets::showResults(const RenameRun& run)
{
    for (int row = 0; row < tblPlan->rowCount(); ++row)
        tblPlan->item(row, 3)->setText(DescribeResult(run, row));
    tblPlan->horizontalHeaderItem(3)->setText(u"What happened"_s);
    lblPlan->setText(u"%1 renamed."_s.arg(run.renamed));
    cmdRename->setEnabled(false);
}

void UndoLastRename(Prompter& prompter, const QString& journalFolder)
{
    const QString title = u"Undo last rename"_s;
    const QStringList journals = RenameJournals(journalFolder);
    if (journals.isEmpty()) {
        prompter.ask({.text = u"There is no rename to undo."_s, .title = title, .icon = PromptIcon::Information});
        return;
    }
    QList<JournalEntry> entries;
    if (Outcome read = ReadRenameJournal(journals.first(), entries); !read) {
        prompter.ask({.text = u"The last rename cannot be undone:\n"_s + read.reason(), .title = title,
                      .icon = PromptIcon::Exclamation});
        return;
    }
    const auto throughTemporary = std::count_if(entries.cbegin(), entries.cend(), IsStepAside);
    const PromptAnswer answer = prompter.ask(
        {.text = u"Give %1 files and folders their old names back?\n\nThe rename was recorded in %2."_s
                     .arg(entries.size() - throughTemporary)
                     .arg(journals.first()),
         .title = title,
         .icon = PromptIcon::Question,
         .buttons = PromptButtons::YesNo,
         .defaultAnswer = PromptAnswer::Yes});
    if (answer != PromptAnswer::Yes)
        return;
    UndoRun run;
    const Outcome undone = UndoRenameJournal(journals.first(), run);
    QString text = u"%1 renamed back."_s.arg(run.restored);
    if (!undone)
        text += u"\n\nThe undo stopped:\n"_s + undone.reason();
    if (!run.problems.isEmpty())
        text += u"\n\nThese stay as they are; Undo last rename tries them again later:\n"_s + run.problems.join(u'\n');
    prompter.ask({.text = text, .title = title,
                  .icon = undone && run.problems.isEmpty() ? PromptIcon::Information : PromptIcon::Exclamation});
}

}  // namespace quillon
