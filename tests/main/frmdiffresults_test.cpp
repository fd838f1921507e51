// The "Diff results" window offscreen, driven from the keyboard and its buttons, and the results
// that File > Last diff results shows again.
#include "frmdiffresults.h"
#include "lastdiffresults.h"
#include "maintesting.h"
#include "scriptedprompter.h"
#include "settingkeys.h"
#include "tempstore.h"
#include "windowtesting.h"

#include <QAction>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QTableWidget>
#include <QToolButton>
#include <QTreeWidget>

namespace {

DiffResults parsedSample()
{
    DiffResults results;
    EXPECT_TRUE(ParseDiffResults(sampleDiffReport(), results).ok());
    return results;
}

// The results of the last Make Diff as the File menu's item keeps them, and the window that
// shows them.
class ResultsWindow : public ::testing::Test {
protected:
    void open(const QByteArray& readableReport = "setdelta report\r\n")
    {
        keep(sampleDiffReport(), readableReport);
        ASSERT_EQ(windows().size(), 1);
        window = windows().first();
        QApplication::processEvents();
    }

    // A Make Diff's reports read from their files.
    void keep(const QByteArray& report, const QByteArray& readableReport = "setdelta report\r\n")
    {
        writeFile(folder.filePath(u"report.json"_s), report);
        writeFile(folder.filePath(u"setdelta.log"_s), readableReport);
        last.keep({.json = folder.filePath(u"report.json"_s), .readable = folder.filePath(u"setdelta.log"_s)},
                  folder.filePath(u"diff.dat"_s));
    }

    QList<frmDiffResults*> windows()
    {
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return owner.findChildren<frmDiffResults*>();
    }

    template <class Widget = QWidget>
    Widget& at(const QString& name) { return child<Widget>(*window, name); }
    QString text(const QString& label) { return at<QLabel>(label).text(); }
    void press(const QString& button) { click(*window, button); }
    void search(const QString& text) { at<QLineEdit>(u"txtSearch"_s).setText(text); }

    void key(QWidget& widget, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QKeyEvent down(QEvent::KeyPress, key, modifiers);
        QApplication::sendEvent(&widget, &down);
        QApplication::processEvents();
    }

    TempStore temp;
    ScriptedPrompter prompter;
    QTemporaryDir folder;
    QWidget owner;
    QAction menuItem;
    QStringList openedFolders;
    bool desktopAnswers = true;
    const QString keptFile = folder.filePath(u"state/last-diff.json"_s);
    const LastDiffResults::OpenFolder openFolder = [this](const QString& opened) {
        return openedFolders.append(opened), desktopAnswers;
    };
    LastDiffResults last{temp.store(), prompter, &menuItem, &owner, openFolder, keptFile};
    frmDiffResults* window = nullptr;
};

}  // namespace

TEST_F(ResultsWindow, TheFiltersNarrowTheTableAndTheDetailFollowsTheSetShownOrChosenByKey)
{
    open();
    auto& table = at<QTableView>(u"tblSets"_s);
    EXPECT_EQ(QApplication::focusWidget(), &table) << "the table takes focus";
    EXPECT_EQ(text(u"lblDetail"_s), u"Objects of newgame (New)"_s) << "the first set is shown at once";
    press(u"cmdShowNew"_s);
    EXPECT_EQ(text(u"lblShown"_s), u"4 of 5 sets"_s);
    EXPECT_EQ(text(u"lblDetail"_s), u"Objects of pacman (Changed)"_s) << "the first set shown replaces one filtered out";
    search(u"no such set"_s);
    EXPECT_EQ(at<QTreeWidget>(u"lstObjects"_s).topLevelItemCount(), 0);
    search(u"PAC"_s);
    EXPECT_EQ(text(u"lblShown"_s), u"2 of 5 sets"_s) << "letter case ignored";
    key(table, Qt::Key_Down);
    EXPECT_EQ(text(u"lblDetail"_s), u"Objects of mspacman (Renames only)"_s);
    key(table, Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), &at(u"lstObjects"_s)) << "Enter shows the detail";
    key(table, Qt::Key_F, Qt::ControlModifier);
    EXPECT_EQ(QApplication::focusWidget(), &at(u"txtSearch"_s));
    EXPECT_EQ(at<QLineEdit>(u"txtSearch"_s).selectedText(), u"PAC"_s) << "typing replaces the search";
}

// Three matched sets that differ with renames counted: renames alone, renames with an added ROM,
// an added ROM alone; and a new set.
const QByteArray RenamesOld = "game ( name a rom ( name a1 size 1 crc 00000001 ) rom ( name a2 size 1 crc 00000002 ) )\n"
                              "game ( name b rom ( name b1 size 1 crc 00000003 ) rom ( name b2 size 1 crc 00000004 ) )\n"
                              "game ( name c rom ( name c1 size 1 crc 00000005 ) )\n";
const QByteArray RenamesNew = "game ( name a rom ( name a1 size 1 crc 00000001 ) rom ( name a2x size 1 crc 00000002 ) )\n"
                              "game ( name b rom ( name b1x size 1 crc 00000003 ) rom ( name b2 size 1 crc 00000004 )"
                              " rom ( name b3 size 1 crc 00000006 ) )\n"
                              "game ( name c rom ( name c1 size 1 crc 00000005 ) rom ( name c2 size 1 crc 00000007 ) )\n"
                              "game ( name d rom ( name d1 size 1 crc 00000008 ) )\n";

TEST_F(ResultsWindow, EachStatusButtonCountsTheSetsItShowsWhenRenamesCount)
{
    writeFile(folder.filePath(u"old.dat"_s), RenamesOld);
    writeFile(folder.filePath(u"new.dat"_s), RenamesNew);
    QProcess setdelta;
    setdelta.setWorkingDirectory(folder.path());
    setdelta.start(QStringLiteral(SETDELTA_PATH), {u"-s"_s, u"-r"_s, u"--json"_s, u"report.json"_s, u"old.dat"_s, u"new.dat"_s});
    ASSERT_TRUE(setdelta.waitForFinished(60000) && setdelta.exitCode() == 0);
    last.keep({.json = folder.filePath(u"report.json"_s), .readable = folder.filePath(u"setdelta.log"_s)},
              folder.filePath(u"diff.dat"_s));
    ASSERT_EQ(windows().size(), 1);
    window = windows().first();

    const std::pair<const char*, QString> buttons[] = {
        {"cmdShowNew", u"New (1 set)"_s},
        {"cmdShowRemoved", u"Removed (0 sets)"_s},
        {"cmdShowChanged", u"Changed (2 sets)"_s},
        {"cmdShowRenamed", u"Renames only (1 set)"_s},
    };
    for (const auto& [name, caption] : buttons)
        EXPECT_EQ(at<QToolButton>(QLatin1StringView(name)).text(), caption);
    for (const auto& [name, caption] : buttons)
        press(QLatin1StringView(name));
    EXPECT_EQ(text(u"lblShown"_s), u"0 of 4 sets"_s);
    for (const auto& [name, caption] : buttons) {
        SCOPED_TRACE(name);
        press(QLatin1StringView(name));
        const QString count = caption.section(u'(', 1).section(u' ', 0, 0);
        EXPECT_EQ(text(u"lblShown"_s), u"%1 of 4 sets"_s.arg(count)) << "a button counts the rows it shows";
        press(QLatin1StringView(name));
    }
    EXPECT_EQ(text(u"lblChangedSets"_s), u"3"_s) << "setdelta's own count, as its log says";
    EXPECT_EQ(text(u"lblRenamedObjects"_s), u"2"_s);
}

// setdelta's run on two releases in which sf1 became sf: one row, its own button and figure,
// and the exports name it by both names.
TEST_F(ResultsWindow, AMovedSetIsOneRowWithItsOwnButtonFigureAndDetail)
{
    last.keep({.json = movedSetsReport(folder)}, folder.filePath(u"diff.dat"_s));
    ASSERT_EQ(windows().size(), 1);
    window = windows().first();

    const std::pair<const char*, QString> buttons[] = {
        {"cmdShowNew", u"New (1 set)"_s},
        {"cmdShowRemoved", u"Removed (1 set)"_s},
        {"cmdShowMoved", u"Moved (1 set)"_s},
        {"cmdShowChanged", u"Changed (1 set)"_s},
        {"cmdShowRenamed", u"Renames only (0 sets)"_s},
    };
    for (const auto& [name, caption] : buttons) {
        EXPECT_EQ(at<QToolButton>(QLatin1StringView(name)).text(), caption);
        press(QLatin1StringView(name));
    }
    EXPECT_EQ(text(u"lblShown"_s), u"0 of 4 sets"_s);
    for (const auto& [name, caption] : buttons) {
        SCOPED_TRACE(name);
        press(QLatin1StringView(name));
        EXPECT_EQ(text(u"lblShown"_s), u"%1 of 4 sets"_s.arg(caption.section(u'(', 1).section(u' ', 0, 0)));
        press(QLatin1StringView(name));
    }
    press(u"cmdShowMoved"_s);
    EXPECT_EQ(at<QTableView>(u"tblSets"_s).model()->index(0, 0).data().toString(), u"sf1 -> sf"_s);
    EXPECT_EQ(text(u"lblDetail"_s), u"Objects of sf1 -> sf (Moved, 2 of 4 contents shared)"_s);
    const auto& objects = at<QTreeWidget>(u"lstObjects"_s);
    QStringList changes;
    for (int row = 0; row < objects.topLevelItemCount(); ++row)
        changes << objects.topLevelItem(row)->text(0) + u' ' + objects.topLevelItem(row)->text(2);
    EXPECT_EQ(changes, (QStringList{u"Added d"_s, u"Removed c"_s, u"Renamed b → bb"_s, u"Shared a"_s}));

    const std::pair<const char*, QString> figures[] = {
        {"lblNewSets", u"1"_s}, {"lblRemovedSets", u"1"_s}, {"lblMovedSets", u"1"_s}, {"lblChangedSets", u"1"_s}};
    for (const auto& [name, count] : figures)
        EXPECT_EQ(text(QLatin1StringView(name)), count) << name << ": a moved set is neither new nor gone";

    press(u"cmdShowRemoved"_s);
    search(u"sf1"_s);
    EXPECT_EQ(text(u"lblShown"_s), u"1 of 4 sets"_s) << "found by its old name, and not also as a removed set";
    prompter.chooseNext(folder.filePath(u"sets.csv"_s), 0);
    press(u"cmdExportCsv"_s);
    EXPECT_EQ(readAll(folder.filePath(u"sets.csv"_s)), "Name,Description,Status,Parent,Added,Removed,Renamed\r\n"
                                                      "sf1 -> sf,Street Fighter (US),Moved,,1,1,1\r\n");
    prompter.chooseNext(folder.filePath(u"objects.csv"_s), 1);
    press(u"cmdExportCsv"_s);
    EXPECT_EQ(readAll(folder.filePath(u"objects.csv"_s)), "Set,Status,Change,Kind,Name,Old name,Size,CRC,SHA-1,MD5,Flags\r\n"
                                                         "sf1 -> sf,Moved,Added,rom,d,,1,00000014,,,\r\n"
                                                         "sf1 -> sf,Moved,Removed,rom,c,,1,00000013,,,\r\n"
                                                         "sf1 -> sf,Moved,Renamed,rom,bb,b,1,00000012,,,\r\n"
                                                         "sf1 -> sf,Moved,Shared,rom,a,,1,00000011,,,\r\n");
}

TEST_F(ResultsWindow, AChainReportShowsItsStepsAboveTheSetsAndTheReleasesOfEach)
{
    DiffResults chain = parsedSample();
    ASSERT_TRUE(ParseDiffResults(sampleChainReport(), chain).ok());
    chain.openedFrom = folder.filePath(u"chain.json"_s);
    frmDiffResults shown(std::make_shared<const DiffResults>(chain), prompter, openFolder);
    window = &shown;

    EXPECT_EQ(window->findChildren<QLabel*>(u"lblRelease"_s).size(), 3);
    EXPECT_EQ(text(u"lblReport"_s), chain.openedFrom);
    const auto& steps = at<QTableWidget>(u"tblSteps"_s);
    ASSERT_EQ(steps.rowCount(), 2);
    QStringList second;
    for (int column = 0; column < steps.columnCount(); ++column)
        second << steps.horizontalHeaderItem(column)->text() + u' ' + steps.item(1, column)->text();
    EXPECT_EQ(second, (QStringList{u"Step release 2 → 3"_s, u"New sets 3"_s, u"Removed sets 2"_s, u"Moved sets 2"_s,
                                   u"Changed sets 0"_s}));

    const std::pair<const char*, QString> figures[] = {{"lblNewSets", u"1"_s}, {"lblRemovedSets", u"1"_s}, {"lblMovedSets", u"2"_s}};
    for (const auto& [name, count] : figures)
        EXPECT_EQ(text(QLatin1StringView(name)), count) << name;
    EXPECT_EQ(window->findChild<QLabel*>(u"lblChangedSets"_s), nullptr) << "a chain counts no objects";
    EXPECT_EQ(window->findChild<QToolButton*>(u"cmdShowChanged"_s), nullptr);
    EXPECT_EQ(at<QToolButton>(u"cmdShowMoved"_s).text(), u"Moved (2 sets)"_s);
    press(u"cmdShowNew"_s);
    press(u"cmdShowRemoved"_s);
    EXPECT_EQ(text(u"lblShown"_s), u"2 of 4 sets"_s);
    EXPECT_EQ(text(u"lblDetail"_s), u"a -> c (Moved): a from release 1, b from release 2, c from release 3"_s);

    prompter.chooseNext(folder.filePath(u"moves.csv"_s), 0);
    press(u"cmdExportCsv"_s);
    EXPECT_EQ(readAll(folder.filePath(u"moves.csv"_s)), "Name,Description,Status,Releases\r\n"
                                                       "a -> c,Game C,Moved,\"a from release 1, b from release 2, c from release 3\"\r\n"
                                                       "m -> m2,Game M2,Moved,\"m from release 2, m2 from release 3\"\r\n");
    EXPECT_EQ(prompter.saveRequests().at(0).startPath, folder.filePath(u"chain.csv"_s)) << "beside the report";
    EXPECT_FALSE(prompter.saveRequests().at(0).filter.contains(u"per object"_s)) << "a chain lists no objects";
}

TEST_F(ResultsWindow, ExportsTheTableSavesTheReportAndOpensTheFolderBesideTheDiffOrSaysWhyNot)
{
    open("Readable report\r\n");
    search(u"PAC"_s);
    prompter.chooseNext(folder.filePath(u"changes"_s), 0);
    press(u"cmdExportCsv"_s);
    prompter.chooseNext(folder.filePath(u"kept.log"_s));
    press(u"cmdSaveReport"_s);
    press(u"cmdOpenFolder"_s);

    EXPECT_EQ(prompter.saveRequests().at(0).startPath, folder.filePath(u"diff.csv"_s));
    EXPECT_EQ(readAll(folder.filePath(u"changes.csv"_s)).count('\n'), 3) << "the header and the two sets shown";
    EXPECT_EQ(prompter.saveRequests().at(1).startPath, folder.filePath(u"diff.log"_s));
    EXPECT_EQ(readAll(folder.filePath(u"kept.log"_s)), "Readable report\r\n");
    EXPECT_EQ(openedFolders, QStringList{folder.path()});
    EXPECT_TRUE(prompter.messages().isEmpty());

    const QString unwritable = folder.filePath(u"gone/results.csv"_s);
    prompter.chooseNext(unwritable, 0);
    press(u"cmdExportCsv"_s);
    prompter.chooseNext(folder.filePath(u"gone/setdelta.log"_s));
    press(u"cmdSaveReport"_s);
    desktopAnswers = false;
    press(u"cmdOpenFolder"_s);

    ASSERT_EQ(prompter.messages().size(), 3);
    EXPECT_EQ(prompter.messages().at(0).icon, PromptIcon::Critical);
    EXPECT_TRUE(prompter.texts().at(0).startsWith(u"The table could not be exported.\n"_s + unwritable + u": "_s));
    EXPECT_TRUE(prompter.texts().at(1).startsWith(u"The report could not be saved.\n"_s));
    EXPECT_TRUE(prompter.texts().at(2).contains(u"could not be opened"_s));
    open("");
    EXPECT_FALSE(at(u"cmdSaveReport"_s).isEnabled()) << "no readable report, nothing to save";
}

TEST_F(ResultsWindow, TellsWhatWasWrittenAndEveryObjectsHashAndClosesOnEscape)
{
    writeFile(folder.filePath(u"report.json"_s), sampleDiffReport());
    last.keep({.json = folder.filePath(u"report.json"_s), .withHeader = true, .zipped = true}, folder.filePath(u"diff.dat"_s));
    window = windows().value(0);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(text(u"lblWritten"_s), folder.filePath(u"diff.zip"_s) + u" (entry diff.dat), zipped, with a header block"_s);

    const auto& objects = at<QTreeWidget>(u"lstObjects"_s);
    ASSERT_EQ(objects.headerItem()->text(5), u"SHA-1"_s);
    EXPECT_EQ(objects.topLevelItem(0)->text(5), u"MD5 00112233445566778899aabbccddeeff"_s);
    search(u"oldgame"_s);
    EXPECT_EQ(objects.topLevelItem(0)->text(3), u"-"_s) << "no size";
    EXPECT_EQ(objects.topLevelItem(0)->text(5), u"-"_s) << "no hash";

    search(QString());
    prompter.chooseNext(folder.filePath(u"objects"_s), 1);
    press(u"cmdExportCsv"_s);
    EXPECT_EQ(readAll(folder.filePath(u"objects.csv"_s)).count('\n'), 1 + 8) << "the titles and one row per object";
    EXPECT_EQ(text(u"lblStatus"_s), u"The objects of 5 sets exported to "_s + folder.filePath(u"objects.csv"_s));

    key(at(u"txtSearch"_s), Qt::Key_Escape);
    EXPECT_TRUE(windows().isEmpty()) << "Escape closes the window";
}

TEST_F(ResultsWindow, TheLastResultsOutliveTheSession)
{
    open("Readable report\r\n");
    last.closeWindow();
    writeFile(folder.filePath(u"report.json"_s), "gone with the run folder");

    QAction nextMenuItem;
    LastDiffResults next{temp.store(), prompter, &nextMenuItem, &owner, openFolder, keptFile};
    EXPECT_TRUE(nextMenuItem.isEnabled()) << "before anything is read";
    next.show();
    ASSERT_EQ(windows().size(), 1);
    window = windows().first();
    EXPECT_EQ(text(u"lblOld"_s), DescribeInput(parsedSample().oldInput));
    EXPECT_EQ(text(u"lblWritten"_s), folder.filePath(u"diff.dat"_s) + u", without a header block"_s);
    EXPECT_EQ(text(u"lblShown"_s), u"5 of 5 sets"_s);
    prompter.chooseNext(folder.filePath(u"kept.log"_s));
    press(u"cmdSaveReport"_s);
    EXPECT_EQ(readAll(folder.filePath(u"kept.log"_s)), "Readable report\r\n");
    next.closeWindow();

    writeFile(keptFile, "{\"format\": ");
    QAction thirdMenuItem;
    LastDiffResults third{temp.store(), prompter, &thirdMenuItem, &owner, openFolder, keptFile};
    third.show();
    EXPECT_TRUE(windows().isEmpty());
    ASSERT_EQ(prompter.texts().size(), 1);
    EXPECT_TRUE(prompter.texts().at(0).startsWith(u"The last diff results could not be read.\n"_s + keptFile + u": "_s));
    EXPECT_FALSE(thirdMenuItem.isEnabled());
    EXPECT_FALSE(QFileInfo::exists(keptFile)) << "forgotten";
}

TEST_F(ResultsWindow, AreShownOneWindowAtATimeUnlessTurnedOffAndForgottenWhenUnreadable)
{
    EXPECT_FALSE(menuItem.isEnabled());
    keep(sampleDiffReport());
    ASSERT_EQ(windows().size(), 1);
    EXPECT_TRUE(menuItem.isEnabled());
    last.show();
    last.show();
    EXPECT_EQ(windows().size(), 1) << "one results window at a time";
    last.closeWindow();
    EXPECT_TRUE(windows().isEmpty());

    temp.store().write(keys::ShowDiffResults, u"0"_s);
    keep(sampleDiffReport());
    EXPECT_TRUE(windows().isEmpty());
    last.show();
    EXPECT_EQ(windows().size(), 1) << "kept for the menu";
    EXPECT_TRUE(prompter.messages().isEmpty());

    // An unreadable report is told, with the reason, and earlier results would pass for its.
    temp.store().write(keys::ShowDiffResults, u"1"_s);
    keep("{\"format\": \"setdelta-report\", \"sets\": [");
    ASSERT_EQ(prompter.messages().size(), 1);
    EXPECT_TRUE(prompter.texts().at(0).startsWith(u"The diff DAT was written, but its results could not be read.\n"_s +
                                                  folder.filePath(u"report.json"_s) + u": "_s))
        << prompter.texts().at(0).toStdString();
    EXPECT_FALSE(menuItem.isEnabled());
    EXPECT_FALSE(QFileInfo::exists(keptFile)) << "the kept results go too";
}
