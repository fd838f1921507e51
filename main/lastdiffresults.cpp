#include "lastdiffresults.h"

#include "frmdiffresults.h"
#include "prompter.h"
#include "settingkeys.h"
#include "settingsstore.h"

#include <QAction>
#include <QFile>
#include <QFileInfo>

namespace quillon {

using namespace Qt::Literals::StringLiterals;

LastDiffResults::LastDiffResults(SettingsStore& store, Prompter& prompter, QAction* menuItem, QWidget* owner,
                                 OpenFolder openFolder, QString keptFile)
    : store_(store),
      prompter_(prompter),
      menuItem_(menuItem),
      owner_(owner),
      openFolder_(std::move(openFolder)),
      keptFile_(std::move(keptFile))
{
    // Read only when asked for: a session that never looks at them pays nothing.
    menuItem_->setEnabled(QFileInfo(keptFile_).isFile());
}

LastDiffResults::~LastDiffResults() = default;

void LastDiffResults::keep(const DiffReports& reports, const QString& destination)
{
    QByteArray json;
    Result<DiffResults> loaded = LoadDiffResults(reports.json, reports.readable, &json);
    if (!loaded) {
        forget();
        if (shownAfterMakeDiff())
            warn(u"The diff DAT was written, but its results could not be read.\n"_s + loaded.reason());
        return;
    }
    DiffResults& results = *loaded;
    results.destination = destination;
    results.written = DiffTarget({.destination = destination, .zipResult = reports.zipped});
    results.withHeader = reports.withHeader;
    results.zipped = reports.zipped;
    results_ = std::make_shared<const DiffResults>(std::move(results));
    menuItem_->setEnabled(true);
    if (Outcome kept = KeepDiffResults(*results_, json, keptFile_); !kept)
        warn(u"The results of this diff could not be kept for File > Last diff results in a later session.\n"_s
             + kept.reason());
    if (shownAfterMakeDiff())
        show();
}

void LastDiffResults::forget()
{
    results_.reset();
    QFile::remove(keptFile_);
    menuItem_->setEnabled(false);
}

void LastDiffResults::warn(const QString& text)
{
    prompter_.ask({.text = text, .title = u"Diff results"_s, .icon = PromptIcon::Exclamation, .centredOnMainWindow = true});
}

bool LastDiffResults::shownAfterMakeDiff() const
{
    return store_.readInt16(keys::ShowDiffResults) == 1;
}

void LastDiffResults::show()
{
    if (!results_ && QFileInfo(keptFile_).isFile()) {
        Result<DiffResults> kept = LoadKeptDiffResults(keptFile_);
        if (!kept) {
            forget();
            return warn(u"The last diff results could not be read.\n"_s + kept.reason());
        }
        results_ = std::make_shared<const DiffResults>(std::move(*kept));
    }
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
