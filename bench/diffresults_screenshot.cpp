// Renders the Diff results window offscreen into a PNG file, for the README's pictures:
//   QT_QPA_PLATFORM=offscreen diffresults_screenshot REPORT.json OUT.png [--only STATUS] [--select NAME]
// --only shows the sets of one status ("Moved", as its button names it); --select makes the set
// shown as NAME (for a moved set "old -> new") the current one, with its detail.
#include "diffresults.h"
#include "diffresultsmodel.h"
#include "frmdiffresults.h"
#include "silentprompter.h"

#include <QApplication>
#include <QPixmap>
#include <QTableView>
#include <QToolButton>

#include <cstdio>

using namespace quillon;
using namespace Qt::StringLiterals;

namespace {

void showOnly(frmDiffResults& window, const QString& status)
{
    for (QToolButton* button : window.findChildren<QToolButton*>()) {
        if (button->objectName().startsWith(u"cmdShow"_s) && !button->text().startsWith(status + u" ("_s))
            button->setChecked(false);
    }
}

bool select(frmDiffResults& window, const QString& name)
{
    auto* table = window.findChild<QTableView*>(u"tblSets"_s);
    const QAbstractItemModel& shown = window.shownSets();
    for (int row = 0; row < shown.rowCount(); ++row) {
        if (shown.index(row, DiffSetsModel::Name).data().toString() == name) {
            table->setCurrentIndex(shown.index(row, 0));
            table->scrollTo(shown.index(row, 0));
            return true;
        }
    }
    return false;
}

}  // namespace

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QStringList arguments = QApplication::arguments().mid(1);
    QString only;
    QString selected;
    for (const auto& [option, value] : {std::pair{u"--only"_s, &only}, std::pair{u"--select"_s, &selected}}) {
        const qsizetype at = arguments.indexOf(option);
        if (at >= 0 && at + 1 < arguments.size()) {
            *value = arguments.at(at + 1);
            arguments.remove(at, 2);
        }
    }
    if (arguments.size() != 2) {
        std::fputs("usage: diffresults_screenshot REPORT.json OUT.png [--only STATUS] [--select NAME]\n", stderr);
        return 1;
    }
    Result<DiffResults> opened = OpenReport(arguments.at(0));
    if (!opened) {
        std::fprintf(stderr, "%s\n", qPrintable(opened.reason()));
        return 2;
    }
    SilentPrompter prompter;
    frmDiffResults window(std::make_shared<const DiffResults>(std::move(*opened)), prompter, [](const QString&) { return true; });
    window.resize(1100, 780);
    window.show();
    if (!only.isEmpty())
        showOnly(window, only);
    if (!selected.isEmpty() && !select(window, selected)) {
        std::fprintf(stderr, "no set shown as %s\n", qPrintable(selected));
        return 2;
    }
    QApplication::processEvents();
    if (!window.grab().save(arguments.at(1))) {
        std::fprintf(stderr, "%s could not be written\n", qPrintable(arguments.at(1)));
        return 2;
    }
    return 0;
}
