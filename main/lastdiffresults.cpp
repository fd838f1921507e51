#include "lastdiffresults.h"

#include "frmdiffresults.h"
#include "prompter.h"
#include "settingkeys.h"
#include "settingsstore.h"

#include <QAction>

namespace quillon {

using namespace Qt::Literals::StringLiterals;

LastDiffResults::LastDiffResults(SettingsStore& store, Prompter& prompter, QAction* menuItem, QWidget* owner,
                                 OpenFolder openFolder)
    : store_(store), prompter_(prompter), menuItem_(menuItem), owner_(owner), openFolder_(std::move(openFolder))
{
    menuItem_->setEnabled(false);
}

LastDiffResults::~LastDiffResults() = default;

void LastDiffResults::keep(DiffResults results)
{
    results_ = std::make_shared<const DiffResults>(std::move(results));
    menuItem_->setEnabled(true);
    if (shownAfterMakeDiff())
        show();
}

void LastDiffResults::keep(const DiffReports& reports, const QString& destination)
{
    DiffResults results;
    if (Outcome loaded = LoadDiffResults(reports.json, reports.readable, results); !loaded) {
        results_.reset();
        menuItem_->setEnabled(false);
        if (shownAfterMakeDiff())
            prompter_.ask({.text = u"The diff DAT was written, but its results could not be read.\n"_s + loaded.reason(),
                           .title = u"Diff results"_s,
                           .icon = PromptIcon::Exclamation,
                           .centredOnMainWindow = true});
        return;
    }
    results.destination = destination;
    keep(std::move(results));
}

bool LastDiffResults::shownAfterMakeDiff() const
{
    return store_.readInt16(keys::ShowDiffResults) == 1;
}

void LastDiffResults::show()
{
    if (!results_)
        return;
    closeWindow();
    window_ = new frmDiffResults(results_, prompter_, openFolder_, owner_);
    window_->setAttribute(Qt::WA_DeleteOnClose);
    window_->show();
    window_->raise();
    window_->activateWindow();
}

void LastDiffResults::closeWindow()
{
    if (window_)
        window_->close();
}

}  // namespace quillon
