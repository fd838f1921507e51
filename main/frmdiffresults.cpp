#include "frmdiffresults.h"

#include "diffresultsmodel.h"
#include "frmrenamesets.h"
#include "prompter.h"
#include "renamesetscommand.h"
#include "utilities.h"

#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QShortcut>
#include <QSplitter>
#include <QTableView>
#include <QTableWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace quillon {

using namespace Qt::Literals::StringLiterals;

namespace {

const QString windowTitleText = QStringLiteral("Diff results");

struct Figure {
    const char* name;
    QLatin1StringView caption;
    qint64 (*count)(const DiffSummary&);
    bool ofChain = false;  // a chain of releases counts sets only
};

// A moved set is neither new nor gone, though setdelta counts it among both.
const Figure figures[] = {
    {"lblNewSets", "new sets"_L1, [](const DiffSummary& summary) { return summary.trulyNewSets(); }, true},
    {"lblRemovedSets", "removed sets"_L1, [](const DiffSummary& summary) { return summary.goneSets(); }, true},
    {"lblMovedSets", "moved sets"_L1, [](const DiffSummary& summary) { return summary.movedSets; }, true},
    {"lblChangedSets", "changed sets"_L1, [](const DiffSummary& summary) { return summary.changedSets; }},
    {"lblAddedObjects", "added objects"_L1, [](const DiffSummary& summary) { return summary.addedObjects; }},
    {"lblRemovedObjects", "removed objects"_L1, [](const DiffSummary& summary) { return summary.removedObjects; }},
    {"lblRenamedObjects", "renamed objects"_L1, [](const DiffSummary& summary) { return summary.renamedObjects; }},
};

const char* const statusButtonNames[setStatusCount] = {
    "cmdShowNew", "cmdShowRemoved", "cmdShowMoved", "cmdShowChanged", "cmdShowRenamed",
};

// setdelta counts a set whose only differences are renames among the changed sets; the table
// and its buttons list it apart, so the caption says how many there are.
QString figureCaption(const Figure& figure, const DiffResults& results)
{
    const qint64 renamesOnly = SetsByStatus(results).at(static_cast<size_t>(SetStatus::Renamed));
    if (QLatin1StringView(figure.name) != "lblChangedSets"_L1 || renamesOnly == 0)
        return figure.caption;
    return u"%1\n(%2 with renames only)"_s.arg(figure.caption, QLocale().toString(renamesOnly));
}

QLabel* selectableLabel(const QString& text, const char* name)
{
    auto* label = new QLabel(text);
    label->setObjectName(name);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setTextFormat(Qt::PlainText);
    return label;
}

QPushButton* button(const QString& caption, const char* name)
{
    auto* created = new QPushButton(caption);
    created->setObjectName(name);
    return created;
}

// The filters of Export CSV: one row per set, one row per object (not for a chain of releases,
// which lists no objects), any file (rows per set).
constexpr int perObjectFilter = 1;

QString csvFilters(bool withObjects)
{
    return withObjects ? u"CSV, one row per set (*.csv);;CSV, one row per object (*.csv);;All files (*)"_s
                       : u"CSV, one row per set (*.csv);;All files (*)"_s;
}

QString withCsvExtension(const QString& path, bool csvFilter)
{
    return csvFilter && GetExtension(path).isEmpty() ? path + u".csv"_s : path;
}

// The diff DAT of a Make Diff, or the report the results were opened from.
QString resultsFile(const DiffResults& results)
{
    return results.destination.isEmpty() ? results.openedFrom : results.destination;
}

// The diff DAT's (or the report's) name with another extension, so that what belongs together
// sorts together.
QString nameBesideDiff(const QString& destination, const QString& extension)
{
    const QString title = GetFileTitle(destination, false);
    return (title.isEmpty() ? QStringLiteral("diff results") : title) + extension;
}

}  // namespace

frmDiffResults::frmDiffResults(std::shared_ptr<const DiffResults> results, Prompter& prompter,
                               std::function<bool(const QString& folder)> openFolder, QWidget* parent)
    : QWidget(parent, Qt::Window), results_(std::move(results)), prompter_(prompter), openFolder_(std::move(openFolder))
{
    setObjectName("frmDiffResults");
    setWindowTitle(windowTitleText);
    resize(900, 640);

    model_ = new DiffSetsModel(results_, this);
    filter_ = new DiffSetsFilter(this);
    filter_->setSourceModel(model_);

    auto* splitter = new QSplitter(Qt::Vertical);
    splitter->addWidget(createTable());
    auto* detail = new QWidget;
    auto* detailLayout = new QVBoxLayout(detail);
    detailLayout->setContentsMargins(0, 0, 0, 0);
    lblDetail = selectableLabel({}, "lblDetail");
    detailLayout->addWidget(lblDetail);
    detailLayout->addWidget(createDetail());
    splitter->addWidget(detail);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 2);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(createInputs());
    layout->addWidget(createFigures());
    if (results_->isChain())
        layout->addWidget(createSteps());
    layout->addLayout(createFilterRow());
    layout->addWidget(splitter, 1);
    layout->addLayout(createButtonRow());

    auto* find = new QShortcut(QKeySequence::Find, this);
    connect(find, &QShortcut::activated, this, &frmDiffResults::focusSearch);

    filterChanged();
    tblSets->setFocus();
}

frmDiffResults::~frmDiffResults() = default;

QWidget* frmDiffResults::createInputs()
{
    auto* box = new QGroupBox(u"Compared"_s);
    auto* grid = new QGridLayout(box);
    QList<std::pair<QString, QLabel*>> rows;
    if (results_->isChain()) {
        for (size_t release = 0; release < results_->releases.size(); ++release)
            rows.append({u"Release %1:"_s.arg(release + 1), selectableLabel(DescribeInput(results_->releases[release]), "lblRelease")});
    } else {
        rows.append({u"Old:"_s, selectableLabel(DescribeInput(results_->oldInput), "lblOld")});
        rows.append({u"New:"_s, selectableLabel(DescribeInput(results_->newInput), "lblNew")});
    }
    rows.append({u"Options:"_s, selectableLabel(DescribeOptions(results_->options), "lblOptions")});
    if (results_->openedFrom.isEmpty())
        rows.append({u"Written:"_s, selectableLabel(DescribeWritten(*results_), "lblWritten")});
    else
        rows.append({u"Report:"_s, selectableLabel(results_->openedFrom, "lblReport")});
    int row = 0;
    for (const auto& [caption, value] : rows) {
        grid->addWidget(new QLabel(caption), row, 0, Qt::AlignTop);
        grid->addWidget(value, row++, 1);
    }
    grid->setColumnStretch(1, 1);
    return box;
}

QWidget* frmDiffResults::createFigures()
{
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    for (const Figure& figure : figures) {
        if (results_->isChain() && !figure.ofChain)
            continue;
        auto* cell = new QVBoxLayout;
        auto* number = new QLabel(QLocale().toString(figure.count(results_->summary)));
        number->setObjectName(figure.name);
        QFont large = number->font();
        large.setPointSizeF(large.pointSizeF() * 2);
        large.setBold(true);
        number->setFont(large);
        number->setAlignment(Qt::AlignCenter);
        auto* caption = new QLabel(figureCaption(figure, *results_));
        caption->setAlignment(Qt::AlignCenter);
        cell->addWidget(number);
        cell->addWidget(caption);
        layout->addLayout(cell);
    }
    return row;
}

// What each step of a chain found, as a comparison of its two releases counts it.
QTableWidget* frmDiffResults::createSteps()
{
    const QStringList titles{u"Step"_s, u"New sets"_s, u"Removed sets"_s, u"Moved sets"_s, u"Changed sets"_s};
    auto* steps = new QTableWidget(static_cast<int>(results_->steps.size()), static_cast<int>(titles.size()));
    steps->setObjectName("tblSteps");
    steps->setHorizontalHeaderLabels(titles);
    steps->verticalHeader()->hide();
    steps->setEditTriggers(QAbstractItemView::NoEditTriggers);
    steps->setSelectionMode(QAbstractItemView::NoSelection);
    for (int row = 0; row < steps->rowCount(); ++row) {
        const ChainStep& step = results_->steps[static_cast<size_t>(row)];
        const qint64 counts[] = {step.newSets, step.removedSets, step.movedSets, step.changedSets};
        steps->setItem(row, 0, new QTableWidgetItem(u"release %1 → %2"_s.arg(step.from).arg(step.to)));
        for (int column = 1; column < steps->columnCount(); ++column) {
            auto* item = new QTableWidgetItem(QLocale().toString(counts[column - 1]));
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            steps->setItem(row, column, item);
        }
    }
    steps->resizeColumnsToContents();
    // Every step in sight up to a handful; more scroll.
    const int shownRows = std::min(steps->rowCount(), 6);
    steps->setMaximumHeight(steps->horizontalHeader()->sizeHint().height() + shownRows * steps->verticalHeader()->defaultSectionSize()
                            + 2 * steps->frameWidth());
    steps->setToolTip(u"Each step compared as setdelta compares two releases: a moved set is also new and removed there."_s);
    return steps;
}

QLayout* frmDiffResults::createFilterRow()
{
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(u"Show:"_s));
    // Each button counts the rows it shows, whatever the summary of the report counts.
    const std::array<qint64, setStatusCount> counts = SetsByStatus(*results_);
    for (int status = 0; status < setStatusCount; ++status) {
        // A chain follows sets, not their objects: no set of it is changed.
        const bool changedSets = status == static_cast<int>(SetStatus::Changed) || status == static_cast<int>(SetStatus::Renamed);
        if (!(results_->isChain() && changedSets))
            addStatusButton(row, static_cast<SetStatus>(status), counts.at(static_cast<size_t>(status)));
    }
    txtSearch = new QLineEdit;
    txtSearch->setObjectName("txtSearch");
    txtSearch->setPlaceholderText(u"Search names and descriptions (Ctrl+F)"_s);
    txtSearch->setClearButtonEnabled(true);
    connect(txtSearch, &QLineEdit::textChanged, this, [this](const QString& text) {
        filter_->setSearchText(text);
        filterChanged();
    });
    row->addWidget(txtSearch, 1);
    lblShown = new QLabel;
    lblShown->setObjectName("lblShown");
    row->addWidget(lblShown);
    return row;
}

QToolButton* frmDiffResults::addStatusButton(QLayout* row, SetStatus status, qint64 count)
{
    auto* toggle = new QToolButton;
    toggle->setObjectName(statusButtonNames[static_cast<int>(status)]);
    toggle->setText(u"%1 (%2 %3)"_s.arg(StatusText(status), QLocale().toString(count), count == 1 ? u"set"_s : u"sets"_s));
    toggle->setCheckable(true);
    toggle->setChecked(true);
    toggle->setToolTip(u"Show or hide the sets of status \"%1\"."_s.arg(StatusText(status)));
    connect(toggle, &QToolButton::toggled, this, [this, status](bool shown) {
        filter_->setStatusShown(status, shown);
        filterChanged();
    });
    row->addWidget(toggle);
    return toggle;
}

QTableView* frmDiffResults::createTable()
{
    tblSets = new QTableView;
    tblSets->setObjectName("tblSets");
    tblSets->setModel(filter_);
    tblSets->setSelectionBehavior(QAbstractItemView::SelectRows);
    tblSets->setSelectionMode(QAbstractItemView::SingleSelection);
    tblSets->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tblSets->setWordWrap(false);
    tblSets->verticalHeader()->hide();
    // Rows of one height and columns sized by hand keep 30,000 rows instant to show.
    tblSets->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    tblSets->verticalHeader()->setDefaultSectionSize(tblSets->fontMetrics().height() + 6);
    const int widths[DiffSetsModel::ColumnCount] = {140, 320, 130, 110, 70, 70, 70};
    for (int column = 0; column < DiffSetsModel::ColumnCount; ++column)
        tblSets->setColumnWidth(column, widths[column]);
    if (results_->isChain())
        tblSets->setColumnWidth(DiffSetsModel::Releases, 360);
    // "old -> new" takes about twice a name's room.
    if (SetsByStatus(*results_).at(static_cast<size_t>(SetStatus::Moved)) > 0)
        tblSets->setColumnWidth(DiffSetsModel::Name, 2 * widths[DiffSetsModel::Name]);
    tblSets->horizontalHeader()->setSectionResizeMode(DiffSetsModel::Description, QHeaderView::Stretch);
    // Report order (new, moved, changed, removed) until the user sorts by a column.
    tblSets->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    tblSets->setSortingEnabled(true);
    connect(tblSets->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { showDetail(current); });
    connect(tblSets, &QTableView::activated, this, [this](const QModelIndex& index) {
        showDetail(index);
        lstObjects->setFocus();
    });
    return tblSets;
}

QTreeWidget* frmDiffResults::createDetail()
{
    lstObjects = new QTreeWidget;
    lstObjects->setObjectName("lstObjects");
    lstObjects->setRootIsDecorated(false);
    lstObjects->setUniformRowHeights(true);
    lstObjects->setHeaderLabels({u"Change"_s, u"Kind"_s, u"Name"_s, u"Size"_s, u"CRC"_s, u"SHA-1"_s, u"Flags"_s});
    lstObjects->setColumnWidth(2, 320);
    return lstObjects;
}

QLayout* frmDiffResults::createButtonRow()
{
    auto* row = new QHBoxLayout;
    QPushButton* cmdExportCsv = button(u"Export CSV..."_s, "cmdExportCsv");
    QPushButton* cmdSaveReport = button(u"Save report..."_s, "cmdSaveReport");
    QPushButton* cmdOpenFolder = button(u"Open folder"_s, "cmdOpenFolder");
    QPushButton* cmdRenameFiles = button(u"Rename files..."_s, "cmdRenameFiles");
    QPushButton* cmdClose = button(u"Close"_s, "cmdClose");
    cmdRenameFiles->setToolTip(u"Give the files of your collection named after renamed sets their new names."_s);
    cmdRenameFiles->setEnabled(!results_->moves.isEmpty());
    connect(cmdRenameFiles, &QPushButton::clicked, this, &frmDiffResults::cmdRenameFiles_Click);
    cmdExportCsv->setToolTip(u"Save the sets as shown, filters applied, as a CSV file: one row per set, or one row per object."_s);
    cmdSaveReport->setToolTip(u"Save setdelta's readable report of this comparison."_s);
    cmdOpenFolder->setToolTip(u"Open the folder of the diff DAT in the file manager."_s);
    cmdSaveReport->setEnabled(!results_->readableReport.isEmpty());
    cmdOpenFolder->setEnabled(!results_->destination.isEmpty());
    connect(cmdExportCsv, &QPushButton::clicked, this, &frmDiffResults::cmdExportCsv_Click);
    connect(cmdSaveReport, &QPushButton::clicked, this, &frmDiffResults::cmdSaveReport_Click);
    connect(cmdOpenFolder, &QPushButton::clicked, this, &frmDiffResults::cmdOpenFolder_Click);
    connect(cmdClose, &QPushButton::clicked, this, &QWidget::close);
    lblStatus = new QLabel;
    lblStatus->setObjectName("lblStatus");
    row->addWidget(cmdExportCsv);
    row->addWidget(cmdSaveReport);
    row->addWidget(cmdOpenFolder);
    row->addWidget(cmdRenameFiles);
    row->addWidget(lblStatus, 1);
    row->addWidget(cmdClose);
    return row;
}

// The filter lays the table out anew, which does not announce a current set that went away;
// the first set shown then takes its place.
void frmDiffResults::filterChanged()
{
    updateShownCount();
    if (!tblSets->currentIndex().isValid() && filter_->rowCount() > 0)
        tblSets->setCurrentIndex(filter_->index(0, 0));
    showDetail(tblSets->currentIndex());
}

void frmDiffResults::updateShownCount()
{
    lblShown->setText(u"%1 of %2 sets"_s
                          .arg(QLocale().toString(filter_->rowCount()),
                               QLocale().toString(static_cast<qint64>(results_->sets.size()))));
}

void frmDiffResults::showDetail(const QModelIndex& shownIndex)
{
    lstObjects->clear();
    if (!shownIndex.isValid()) {
        lblDetail->setText(u"Objects: select a set."_s);
        return;
    }
    const DiffSet& set = model_->set(filter_->mapToSource(shownIndex).row());
    if (results_->isChain()) {
        lblDetail->setText(u"%1 (%2): %3"_s.arg(set.shownName(), StatusText(set.status), set.releases));
        return;
    }
    const QString status = set.status == SetStatus::Moved
                               ? u"%1, %2"_s.arg(StatusText(set.status), DescribeSharedContents(set.move))
                               : StatusText(set.status);
    lblDetail->setText(u"Objects of %1 (%2)"_s.arg(set.shownName(), status));
    QList<QTreeWidgetItem*> items;
    for (const ObjectChange& change : DescribeObjectChanges(set)) {
        auto* item = new QTreeWidgetItem(
            {change.change, change.kind, change.name, change.size, change.crc, change.hash, change.flags});
        item->setTextAlignment(3, Qt::AlignRight | Qt::AlignVCenter);
        for (int column = 0; column < item->columnCount(); ++column)
            item->setToolTip(column, change.hashes);
        items.append(item);
    }
    lstObjects->addTopLevelItems(items);
}

// Escape closes the window as it closes a dialog; the table, the detail and the search box leave
// it to the window.
void frmDiffResults::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void frmDiffResults::focusSearch()
{
    txtSearch->setFocus(Qt::ShortcutFocusReason);
    txtSearch->selectAll();
}

void frmDiffResults::cmdExportCsv_Click()
{
    const SaveChoice choice = prompter_.chooseSaveTarget(
        {u"Export CSV"_s, suggestedPath(nameBesideDiff(resultsFile(*results_), u".csv"_s)), csvFilters(!results_->isChain())});
    if (choice.path.isEmpty())
        return;
    const bool perObject = !results_->isChain() && choice.filterIndex == perObjectFilter;
    const QString path = withCsvExtension(choice.path, choice.filterIndex == 0 || perObject);
    if (Outcome exported = perObject ? ExportObjectsCsv(*filter_, path) : ExportCsv(*filter_, path); !exported)
        return showFailure(u"The table could not be exported.\n"_s + exported.reason());
    const QString what = perObject ? u"The objects of %1 sets exported to %2"_s : u"%1 sets exported to %2"_s;
    lblStatus->setText(what.arg(QLocale().toString(filter_->rowCount()), path));
}

void frmDiffResults::cmdSaveReport_Click()
{
    const QString path = prompter_.chooseFileToSave(
        {u"Save report"_s, suggestedPath(nameBesideDiff(resultsFile(*results_), u".log"_s)), u"Log files (*.log);;Text files (*.txt);;All files (*)"_s});
    if (path.isEmpty())
        return;
    if (Outcome saved = SaveReadableReport(*results_, path); !saved)
        return showFailure(u"The report could not be saved.\n"_s + saved.reason());
    lblStatus->setText(u"Report saved to "_s + path);
}

void frmDiffResults::cmdOpenFolder_Click()
{
    const QString folder = GetParentFolder(results_->destination);
    if (!QFileInfo(folder).isDir())
        return showFailure(u"The folder %1 no longer exists."_s.arg(folder));
    if (!openFolder_(folder))
        showFailure(u"The folder %1 could not be opened: no file manager answered."_s.arg(folder));
}

void frmDiffResults::cmdRenameFiles_Click()
{
    auto* dialog = new frmRenameSets(results_->moves, prompter_, RenameJournalFolder(), this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->open();
}

void frmDiffResults::showFailure(const QString& text)
{
    prompter_.ask({.text = text, .title = windowTitleText, .icon = PromptIcon::Critical});
}

// Beside the diff DAT or the report, where the user keeps the results of this comparison.
QString frmDiffResults::suggestedPath(const QString& fileName) const
{
    const QString folder = GetParentFolder(resultsFile(*results_));
    return folder.isEmpty() ? fileName : QDir(folder).filePath(fileName);
}

}  // namespace quillon
