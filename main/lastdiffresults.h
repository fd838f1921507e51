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
// window that shows them.
class LastDiffResults {
public:
    using OpenFolder = std::function<bool(const QString& folder)>;

    // `menuItem` is enabled while there are results to show; the results window opens over
    // `owner` and hands folders to `openFolder`.
    LastDiffResults(SettingsStore& store, Prompter& prompter, QAction* menuItem, QWidget* owner, OpenFolder openFolder);
    ~LastDiffResults();

    // Keeps the results and shows them unless the user turned that off.
    void keep(DiffResults results);
    // The same from the reports of a run, naming a DAT taken out of a zip archive by its archive
    // and entry. A report that cannot be read is reported to the user, with the reason, and
    // drops earlier results, which would otherwise pass for this run's.
    void keep(const DiffReports& reports, const QString& destination);
    // Opens the results window on the kept results; the window of earlier results makes way.
    void show();
    void closeWindow();

private:
    bool shownAfterMakeDiff() const;

    SettingsStore& store_;
    Prompter& prompter_;
    QAction* menuItem_;
    QWidget* owner_;
    OpenFolder openFolder_;
    std::shared_ptr<const DiffResults> results_;
    QPointer<frmDiffResults> window_;
};

}  // namespace quillon
