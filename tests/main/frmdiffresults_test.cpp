// The "Diff results" window offscreen, driven from the keyboard and its buttons.
#include "diffreport.h"
#include "diffresultsmodel.h"
#include "frmdiffresults.h"
#include "scriptedprompter.h"
#include "testfiles.h"

#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QToolButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <memory>

using namespace quillon;
using quillon::testing::readAll;
using quillon::testing::sampleDiffReport;
using quillon::testing::ScriptedPrompter;

namespace {

class ResultsWindow : public ::testing::Test {
protected:
    frmDiffResults& open(const QByteArray& readableReport = "setdelta report\r\n")
    {
        DiffResults results;
        EXPECT_TRUE(ParseDiffResults(sampleDiffReport(), results).ok());
        results.readableReport = readableReport;
        results.destination = folder.filePath("diff.dat");
        window = std::make_unique<frmDiffResults>(std::make_shared<const DiffResults>(std::move(results)), prompter,
                                                  [this](const QString& opened) {
                                                      openedFolders.append(opened);
                                                      return desktopAnswers;
                                                  });
        window->show();
        window->activateWindow();
        QApplication::processEvents();
        return *window;
    }

    template <typename Widget>
    Widget* child(const char* name)
    {
        auto* found = window->findChild<Widget*>(name);
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    QString text(const char* label) { return child<QLabel>(label)->text(); }
    void click(const char* button) { child<QAbstractButton>(button)->click(); }
    QTableView* table() { return child<QTableView>("tblSets"); }

    void press(QWidget* widget, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QKeyEvent down(QEvent::KeyPress, key, modifiers);
        QApplication::sendEvent(widget, &down);
        QKeyEvent up(QEvent::KeyRelease, key, modifiers);
        QApplication::sendEvent(widget, &up);
        QApplication::processEvents();
    }

    void selectSet(const QString& name)
    {
        const QAbstractItemModel* shown = table()->model();
        for (int row = 0; row < shown->rowCount(); ++row) {
            if (shown->index(row, DiffSetsModel::Name).data() == name)
                return table()->setCurrentIndex(shown->index(row, 0));
        }
        ADD_FAILURE() << "not shown: " << name.toStdString();
    }

    QStringList detailRow(int row)
    {
        QTreeWidgetItem* item = child<QTreeWidget>("lstObjects")->topLevelItem(row);
        if (item == nullptr)
            return {};
        QStringList cells;
        for (int column = 0; column < item->columnCount(); ++column)
            cells.append(item->text(column));
        return cells;
    }

    ScriptedPrompter prompter;
    QTemporaryDir folder;
    std::unique_ptr<frmDiffResults> window;
    QStringList openedFolders;
    bool desktopAnswers = true;
};

}  // namespace

TEST_F(ResultsWindow, ShowsTheInputsTheOptionsAndTheCountsAsFigures)
{
    open();
    EXPECT_EQ(window->windowTitle(), "Diff results");
    EXPECT_FALSE(window->isModal());
    EXPECT_TRUE(text("lblOld").startsWith("/dats/mame0139.dat - MAME 0.139"));
    EXPECT_TRUE(text("lblNew").startsWith("/dats/mame0251.zip (mame0251.xml)"));
    EXPECT_EQ(text("lblOptions"), "split sets, -d2, ROMs, renames counted, nodump included");
    const std::pair<const char*, QString> figures[] = {
        {"lblNewSets", "1"},      {"lblRemovedSets", "1"},    {"lblChangedSets", "2"},
        {"lblAddedObjects", "4"}, {"lblRemovedObjects", "2"}, {"lblRenamedObjects", "2"},
    };
    for (const auto& [label, figure] : figures)
        EXPECT_EQ(text(label), figure) << label;
    EXPECT_GT(child<QLabel>("lblNewSets")->font().pointSizeF(), window->font().pointSizeF());
    EXPECT_EQ(child<QToolButton>("cmdShowRenamed")->text(), "Renamed objects (1)");
    EXPECT_EQ(text("lblShown"), "5 of 5 sets");
}

TEST_F(ResultsWindow, FilterButtonsAndTheSearchBoxNarrowTheTable)
{
    open();
    click("cmdShowChanged");
    click("cmdShowNew");
    EXPECT_EQ(table()->model()->rowCount(), 2);
    EXPECT_EQ(text("lblShown"), "2 of 5 sets");

    child<QLineEdit>("txtSearch")->setText("ms. PAC");
    EXPECT_EQ(table()->model()->rowCount(), 1);
    EXPECT_EQ(table()->model()->index(0, 0).data(), "mspacman");

    click("cmdShowChanged");
    child<QLineEdit>("txtSearch")->setText("pacman");
    EXPECT_EQ(text("lblShown"), "2 of 5 sets") << "pacman (changed) and mspacman";
}

TEST_F(ResultsWindow, TheDetailListsEachObjectAndWhatHappenedToIt)
{
    open();
    EXPECT_EQ(text("lblDetail"), "Objects of newgame (New)") << "the first set is shown at once";
    EXPECT_EQ(detailRow(0), (QStringList{"Added", "rom", "ng.1", "4096", "0badf00d", ""}));

    selectSet("pacman");
    EXPECT_EQ(child<QTreeWidget>("lstObjects")->topLevelItem(0)->toolTip(2),
              "SHA-1 0123456789abcdef0123456789abcdef01234567") << "hashes show on hovering";

    selectSet("mspacman");
    EXPECT_EQ(text("lblDetail"), "Objects of mspacman (Renamed objects)");
    EXPECT_EQ(detailRow(0), (QStringList{"Renamed", "rom", "boot1 → pacman.6e", "4096", "d16b31b7", ""}));
    EXPECT_EQ(detailRow(1), QStringList{});

    selectSet("galaxian");
    EXPECT_EQ(detailRow(0), (QStringList{"Added", "rom", "bad.1", "", "00000000", "baddump"}));

    child<QLineEdit>("txtSearch")->setText("pac");
    EXPECT_EQ(text("lblDetail"), "Objects of pacman (Changed)") << "the first set shown replaces one filtered out";
    child<QLineEdit>("txtSearch")->setText("no such set");
    EXPECT_EQ(text("lblDetail"), "Objects: select a set.");
    EXPECT_EQ(child<QTreeWidget>("lstObjects")->topLevelItemCount(), 0);
}

TEST_F(ResultsWindow, TheKeyboardMovesFromTheTableToTheDetailAndToTheSearch)
{
    open();
    EXPECT_EQ(QApplication::focusWidget(), table()) << "the table takes focus";
    press(table(), Qt::Key_Down);
    EXPECT_EQ(text("lblDetail"), "Objects of pacman (Changed)");
    press(table(), Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), child<QTreeWidget>("lstObjects")) << "Enter shows the detail";

    child<QLineEdit>("txtSearch")->setText("old");
    press(table(), Qt::Key_F, Qt::ControlModifier);
    EXPECT_EQ(QApplication::focusWidget(), child<QLineEdit>("txtSearch"));
    EXPECT_EQ(child<QLineEdit>("txtSearch")->selectedText(), "old") << "typing replaces the search";
}

TEST_F(ResultsWindow, ExportsTheFilteredTableAsCsvBesideTheDiff)
{
    open();
    click("cmdShowNew");
    click("cmdShowRemoved");
    child<QLineEdit>("txtSearch")->setText("PAC");
    prompter.chooseNext(folder.filePath("changes"), 0);
    click("cmdExportCsv");

    ASSERT_EQ(prompter.saveRequests().size(), 1);
    EXPECT_EQ(prompter.saveRequests().at(0).startPath, folder.filePath("diff.csv"));
    EXPECT_EQ(readAll(folder.filePath("changes.csv")), "Name,Description,Status,Parent,Added,Removed,Renamed\r\n"
                                                       "pacman,Pac-Man (Midway),Changed,,1,1,1\r\n"
                                                       "mspacman,Ms. Pac-Man,Renamed objects,pacman,0,0,1\r\n");
    EXPECT_TRUE(prompter.messages().isEmpty());
    EXPECT_TRUE(text("lblStatus").startsWith("2 sets exported to "));
}

TEST_F(ResultsWindow, AFailedExportOrSaveSaysWhyAndACancelledOneDoesNothing)
{
    open();
    prompter.chooseNext("");
    click("cmdExportCsv");
    EXPECT_TRUE(prompter.messages().isEmpty());

    const QString unwritable = folder.filePath("gone/results.csv");
    prompter.chooseNext(unwritable, 0);
    click("cmdExportCsv");
    ASSERT_EQ(prompter.messages().size(), 1);
    EXPECT_EQ(prompter.messages().at(0).title, "Diff results");
    EXPECT_EQ(prompter.messages().at(0).icon, PromptIcon::Critical);
    EXPECT_TRUE(prompter.texts().at(0).startsWith("The table could not be exported.\n" + unwritable + ": "));

    prompter.chooseNext(folder.filePath("gone/setdelta.log"));
    click("cmdSaveReport");
    ASSERT_EQ(prompter.messages().size(), 2);
    EXPECT_TRUE(prompter.texts().at(1).startsWith("The report could not be saved.\n"));
}

TEST_F(ResultsWindow, SavesTheReadableReportAndOpensTheDestinationsFolder)
{
    open("Readable report\r\nline two\r\n");
    const QString saved = folder.filePath("kept.log");
    prompter.chooseNext(saved);
    click("cmdSaveReport");
    EXPECT_EQ(prompter.saveRequests().at(0).startPath, folder.filePath("diff.log"));
    EXPECT_EQ(readAll(saved), "Readable report\r\nline two\r\n");

    click("cmdOpenFolder");
    EXPECT_EQ(openedFolders, QStringList{folder.path()});
    desktopAnswers = false;
    click("cmdOpenFolder");
    ASSERT_EQ(prompter.messages().size(), 1);
    EXPECT_TRUE(prompter.texts().at(0).contains("could not be opened"));
}

TEST_F(ResultsWindow, WithoutAReadableReportThereIsNothingToSave)
{
    open("");
    EXPECT_FALSE(child<QPushButton>("cmdSaveReport")->isEnabled());
    EXPECT_TRUE(child<QPushButton>("cmdOpenFolder")->isEnabled());
}
