#pragma once

#include "diffresults.h"

#include <QWidget>

#include <functional>
#include <memory>

class QLabel;
class QLineEdit;
class QModelIndex;
class QPushButton;
class QTableView;
class QTableWidget;
class QToolButton;
class QTreeWidget;

namespace quillon {

class DiffSetsFilter;
class DiffSetsModel;
class Prompter;

// "Diff results": what a Make Diff run found, set by set and object by object, with filters,
// a search, CSV export, the readable report and the destination's folder.
class frmDiffResults : public QWidget {
    Q_OBJECT

public:
    // openFolder hands a folder to the desktop's file manager and says whether that worked.
    frmDiffResults(std::shared_ptr<const DiffResults> results, Prompter& prompter,
                   std::function<bool(const QString& folder)> openFolder, QWidget* parent = nullptr);
    ~frmDiffResults() override;

    // The table as shown, after the filters.
    const DiffSetsFilter& shownSets() const { return *filter_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QWidget* createInputs();
    QWidget* createFigures();
    QTableWidget* createSteps();
    QLayout* createFilterRow();
    QTableView* createTable();
    QTreeWidget* createDetail();
    QLayout* createButtonRow();
    QToolButton* addStatusButton(QLayout* row, SetStatus status, qint64 count);

    void filterChanged();
    void updateShownCount();
    void showDetail(const QModelIndex& shownIndex);
    void focusSearch();
    void cmdExportCsv_Click();
    void cmdSaveReport_Click();
    void cmdOpenFolder_Click();
    void cmdRenameFiles_Click();
    void showFailure(const QString& text);
    QString suggestedPath(const QString& fileName) const;

    std::shared_ptr<const DiffResults> results_;
    Prompter& prompter_;
    std::function<bool(const QString&)> openFolder_;
    DiffSetsModel* model_ = nullptr;
    DiffSetsFilter* filter_ = nullptr;

    QLineEdit* txtSearch = nullptr;
    QLabel* lblShown = nullptr;
    QTableView* tblSets = nullptr;
    QLabel* lblDetail = nullptr;
    QTreeWidget* lstObjects = nullptr;
    QLabel* lblStatus = nullptr;
};

}  // namespace quillon
