#include "diffresultsmodel.h"

#include "atomicfile.h"

#include <algorithm>
#include <functional>
#include <iterator>

namespace quillon {

using namespace Qt::Literals::StringLiterals;

namespace {

const char* const columnTitles[DiffSetsModel::ColumnCount] = {
    "Name", "Description", "Status", "Parent", "Added", "Removed", "Renamed",
};

// A field is quoted when it holds a separator, a quote or a line break, with its quotes doubled.
QString csvField(const QString& field)
{
    static const QString needsQuotes = QStringLiteral(",\"\r\n");
    const bool quoted = std::any_of(field.begin(), field.end(), [](QChar c) { return needsQuotes.contains(c); });
    if (!quoted)
        return field;
    QString escaped = field;
    escaped.replace(u'"', u"\"\""_s);
    return u'"' + escaped + u'"';
}

QByteArray csvLine(const QStringList& fields)
{
    QStringList escaped;
    escaped.reserve(fields.size());
    for (const QString& field : fields)
        escaped.append(csvField(field));
    return escaped.join(u',').toUtf8() + "\r\n";
}

QStringList headerFields(const QAbstractItemModel& table)
{
    QStringList fields;
    for (int column = 0; column < table.columnCount(); ++column)
        fields.append(table.headerData(column, Qt::Horizontal).toString());
    return fields;
}

QStringList rowFields(const QAbstractItemModel& table, int row)
{
    QStringList fields;
    for (int column = 0; column < table.columnCount(); ++column)
        fields.append(table.index(row, column).data().toString());
    return fields;
}

// Writes the lines `nextLine` gives until it gives none, in blocks, to a file replaced only when
// complete.
Outcome writeCsv(const QString& path, const std::function<bool(QByteArray& line)>& nextLine)
{
    constexpr qsizetype blockSize = 1 << 16;
    AtomicFile file(path);
    if (Outcome opened = file.open(); !opened)
        return opened;
    QByteArray block;
    QByteArray line;
    while (nextLine(line)) {
        block += line;
        if (block.size() >= blockSize) {
            if (Outcome written = file.write(block); !written)
                return written;
            block.clear();
        }
    }
    if (Outcome written = file.write(block); !written)
        return written;
    return file.commit();
}

const QStringList objectColumnTitles{u"Set"_s, u"Status"_s, u"Change"_s, u"Kind"_s, u"Name"_s, u"Old name"_s,
                                     u"Size"_s, u"CRC"_s, u"SHA-1"_s, u"MD5"_s, u"Flags"_s};

QStringList objectFields(const DiffSet& set, const QString& change, const DiffObject& object,
                         const QString& oldName = {})
{
    return {set.shownName(), StatusText(set.status), change, object.kind, object.name, oldName,
            object.size ? QString::number(*object.size) : QString(), object.crc, object.sha1, object.md5,
            object.flags.join(u' ')};
}

// One line per object the set lists as new, removed, renamed or shared, in the order of the detail.
QByteArray objectLines(const DiffSet& set)
{
    QByteArray lines;
    const QString wholeSetChange = set.status == SetStatus::New ? u"Added"_s : u"Removed"_s;
    for (const DiffObject& object : set.objects)
        lines += csvLine(objectFields(set, wholeSetChange, object));
    for (const DiffObject& object : set.added)
        lines += csvLine(objectFields(set, u"Added"_s, object));
    for (const DiffObject& object : set.removed)
        lines += csvLine(objectFields(set, u"Removed"_s, object));
    for (const RenamedObject& rename : set.renamed)
        lines += csvLine(objectFields(set, u"Renamed"_s, rename.to, rename.from.name));
    for (const DiffObject& object : set.kept)
        lines += csvLine(objectFields(set, u"Shared"_s, object));
    return lines;
}

}  // namespace

DiffSetsModel::DiffSetsModel(std::shared_ptr<const DiffResults> results, QObject* parent)
    : QAbstractTableModel(parent), results_(std::move(results))
{
}

int DiffSetsModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(results_->sets.size());
}

int DiffSetsModel::columnCount(const QModelIndex& parent) const
{
    if (parent.isValid())
        return 0;
    return results_->isChain() ? ChainColumnCount : ColumnCount;
}

// The count columns hold numbers, so that they sort as numbers.
QVariant DiffSetsModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::TextAlignmentRole))
        return {};
    const bool countColumn = index.column() >= Added && !results_->isChain();
    if (role == Qt::TextAlignmentRole)
        return countColumn ? QVariant(Qt::AlignRight | Qt::AlignVCenter) : QVariant();
    const DiffSet& shown = set(index.row());
    switch (index.column()) {
    case Name: return shown.shownName();
    case Description: return shown.description;
    case Status: return StatusText(shown.status);
    case Parent: return results_->isChain() ? shown.releases : shown.parent;
    case Added: return static_cast<qlonglong>(shown.addedCount());
    case Removed: return static_cast<qlonglong>(shown.removedCount());
    case Renamed: return static_cast<qlonglong>(shown.renamedCount());
    default: return {};
    }
}

QVariant DiffSetsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= columnCount())
        return QAbstractTableModel::headerData(section, orientation, role);
    if (section == Releases && results_->isChain())
        return u"Releases"_s;
    return QString::fromLatin1(columnTitles[section]);
}

DiffSetsFilter::DiffSetsFilter(QObject* parent) : QSortFilterProxyModel(parent)
{
    setSortCaseSensitivity(Qt::CaseInsensitive);
}

void DiffSetsFilter::setStatusShown(SetStatus status, bool shown)
{
    shown_.at(static_cast<size_t>(status)) = shown;
    // A new layout rather than row-by-row removal: a filter that hides every other row of
    // 30,000 would otherwise take the view seconds, one removed range at a time.
    invalidate();
}

void DiffSetsFilter::setSearchText(const QString& text)
{
    search_ = text.trimmed();
    invalidate();
}

bool DiffSetsFilter::filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const
{
    const auto* sets = qobject_cast<const DiffSetsModel*>(sourceModel());
    if (sets == nullptr || sourceParent.isValid())
        return true;
    const DiffSet& set = sets->set(sourceRow);
    if (!isStatusShown(set.status))
        return false;
    if (search_.isEmpty())
        return true;
    const QString* const searched[] = {&set.name, &set.description, &set.move.oldName, &set.move.oldDescription};
    return std::any_of(std::begin(searched), std::end(searched),
                       [this](const QString* text) { return text->contains(search_, Qt::CaseInsensitive); });
}

Outcome ExportCsv(const QAbstractItemModel& table, const QString& path)
{
    int row = -1;
    return writeCsv(path, [&table, &row](QByteArray& line) {
        if (row >= table.rowCount())
            return false;
        line = csvLine(row < 0 ? headerFields(table) : rowFields(table, row));
        ++row;
        return true;
    });
}

Outcome ExportObjectsCsv(const DiffSetsFilter& shown, const QString& path)
{
    const auto* sets = qobject_cast<const DiffSetsModel*>(shown.sourceModel());
    int row = -1;
    return writeCsv(path, [&shown, sets, &row](QByteArray& line) {
        if (row < 0) {
            line = csvLine(objectColumnTitles);
        } else if (sets && row < shown.rowCount()) {
            line = objectLines(sets->set(shown.mapToSource(shown.index(row, 0)).row()));
        } else {
            return false;
        }
        ++row;
        return true;
    });
}

}  // namespace quillon
