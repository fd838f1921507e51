#pragma once

#include "diffresults.h"
#include "outcome.h"

#include <QAbstractTableModel>
#include <QSortFilterProxyModel>

#include <array>
#include <memory>

namespace quillon {

// The sets of a diff as a table: one row per set.
class DiffSetsModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { Name, Description, Status, Parent, Added, Removed, Renamed, ColumnCount };
    // A chain of releases has no objects: its fourth column tells in which releases a set was.
    static constexpr int Releases = Parent;
    static constexpr int ChainColumnCount = Releases + 1;

    explicit DiffSetsModel(std::shared_ptr<const DiffResults> results, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    const DiffSet& set(int row) const { return results_->sets.at(static_cast<size_t>(row)); }

private:
    std::shared_ptr<const DiffResults> results_;
};

// Shows the sets whose status is switched on and whose name or description (or, for a moved
// set, its old name or description) contains the search text, letter case ignored.
class DiffSetsFilter : public QSortFilterProxyModel {
    Q_OBJECT

public:
    explicit DiffSetsFilter(QObject* parent = nullptr);

    void setStatusShown(SetStatus status, bool shown);
    bool isStatusShown(SetStatus status) const { return shown_.at(static_cast<size_t>(status)); }
    void setSearchText(const QString& text);

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;

private:
    std::array<bool, setStatusCount> shown_ = allShown();

    static std::array<bool, setStatusCount> allShown()
    {
        std::array<bool, setStatusCount> all{};
        all.fill(true);
        return all;
    }
    QString search_;
};

// Writes the table as it is shown (its rows in their order, with the column titles first) as
// CSV, UTF-8 with CR LF line ends. The file is replaced only when written completely; a failure
// says why and leaves an existing file as it was.
Outcome ExportCsv(const QAbstractItemModel& table, const QString& path);

// Writes one line per object of the sets shown, in the order shown: the set (a moved one as
// "old -> new"), its status, what happened to the object (for a rename, the new name and the old
// one; a moved set's objects that both names hold alike are "Shared"), its size, CRC, SHA-1, MD5
// and flags, with the column titles first. The file is written as ExportCsv writes it.
Outcome ExportObjectsCsv(const DiffSetsFilter& shown, const QString& path);

}  // namespace quillon
