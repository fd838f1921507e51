#pragma once

#include "diffresults.h"
#include "makediff.h"

#include <QPointer>

#include <functional>
#include <memory>

class QAction;
class QWidget;

namespace quillon {

class frmDiffResults;
class Prompter;
class SettingsStore;

// The results of the last successful Make Diff, for File > Last diff results, and the one
// window that shows them. The results are kept in a file too, so that they outlive the session.
class LastDiffResults {
public:
    using OpenFolder = std::function<bool(const QString& folder)>;

    // `menuItem` is enabled while there are results to show, those of this session or those kept
    // in `keptFile` by an earlier one; the results window opens over `owner` and hands folders to
    // `openFolder`.
    LastDiffResults(SettingsStore& store, Prompter& prompter, QAction* menuItem, QWidget* owner, OpenFolder openFolder,
                    QString keptFile = KeptDiffResultsPath());
    ~LastDiffResults();

    // Keeps the results of a run that wrote `destination`, naming a DAT taken out of a zip archive
    // by its archive and entry, and shows them unless the user turned that off. A report that
    // cannot be read is reported to the user, with the reason, and drops earlier results, which
    // would otherwise pass for this run's; results that cannot be kept for a later session are
    // reported too.
    void keep(const DiffReports& reports, const QString& destination);
    // Opens the results window on the kept results; the window of earlier results makes way.
    void show();
    void closeWindow();

private:
    bool shownAfterMakeDiff() const;
    void forget();
    void warn(const QString& text);

    SettingsStore& store_;
    Prompter& prompter_;
    QAction* menuItem_;
    QWidget* owner_;
    OpenFolder openFolder_;
    QString keptFile_;
    std::shared_ptr<const DiffResults> results_;
    QPointer<frmDiffResults> window_;
};

}  // namespace quillon
