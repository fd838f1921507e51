// The main window driven as a user would, offscreen, over real folders, with scripted answers.
#include "diffresultsmodel.h"
#include "filelistbox.h"
#include "frmdiffresults.h"
#include "frmmain.h"
#include "maintesting.h"
#include "mru.h"
#include "runfolder.h"
#include "scripteddatdialogs.h"
#include "scriptedprompter.h"
#include "settingkeys.h"
#include "tempstore.h"
#include "terminationwatcher.h"
#include "windowtesting.h"

#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QCompleter>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>
#include <QUrl>

#include <csignal>
#include <utility>

namespace {

class MainWindow : public ::testing::Test {
protected:
    void open()
    {
        window = std::make_unique<frmmain>(temp.store(), prompter, StartupOptions{});
        window->setDesktopShell({.openFile = [this](const QString& file) { return opened.append(file), Outcome::success(); }});
        window->show();
    }

    void closeWindow() { window->close(); window.reset(); }

    template <class Widget = QWidget>
    Widget& at(const QString& name) { return child<Widget>(*window, name); }
    FileListBox& filOld() { return at<FileListBox>(u"filOld"_s); }
    FileListBox& filNew() { return at<FileListBox>(u"filNew"_s); }
    QComboBox& combo(const QString& name) { return at<QComboBox>(name); }
    QString text(const QString& label) { return at<QLabel>(label).text(); }
    bool enabled(const QString& button) { return at<QAbstractButton>(button).isEnabled(); }
    void press(const QString& button) { click(*window, button); }
    QStringList recent(QLatin1StringView list) { return LoadMRU(temp.store(), list); }
    void setRecent(QLatin1StringView list, const QStringList& folders) { SaveMRU(temp.store(), list, folders); }

    // A folder under the temporary folder, holding the given files, each with its name as content.
    QString folder(const QString& name, const QStringList& files = {})
    {
        const QString path = dirs.filePath(name);
        QDir().mkpath(path);
        for (const QString& file : files)
            writeFile(path + u'/' + file, file.toUtf8());
        return path;
    }

    void select(FileListBox& list, const QString& name)
    {
        const qsizetype row = list.fileNames().indexOf(name);
        ASSERT_GE(row, 0) << name.toStdString();
        list.setCurrentRow(static_cast<int>(row));
    }

    void chooseRecent(const QString& name, int index)
    {
        combo(name).setCurrentIndex(index);
        emit combo(name).activated(index);
    }

    void showPanels(const QString& left, const QString& right)
    {
        setRecent(mru::SourceDat, {left});
        setRecent(mru::CompareWith, {right});
        open();
    }

    TempStore temp;
    ScriptedPrompter prompter;
    QTemporaryDir dirs;
    std::unique_ptr<frmmain> window;
    QStringList opened;
};

}  // namespace

TEST_F(MainWindow, RestartsKeepPositionZipToggleAndRecentFoldersUnlessOffScreenOrGivenADatFolder)
{
    const QString left = folder(u"left"_s, {u"l.dat"_s});
    const QString dats = folder(u"dats"_s, {u"a.dat"_s});
    setRecent(mru::SourceDat, {left, folder(u"old"_s)});
    open();
    EXPECT_EQ(filOld().fileNames(), QStringList{u"l.dat"_s});
    EXPECT_EQ(combo(u"cboSourceDat"_s).currentText(), left);
    const QPoint designed = window->pos();
    window->move(200, 150);
    press(u"cmdShowLog"_s);
    press(u"cmdZipDat"_s);
    closeWindow();

    temp.store().write(keys::DatFolderMode, u"1"_s);
    temp.store().write(keys::DatFolder, dats);
    open();
    EXPECT_EQ(window->pos(), QPoint(200, 150));
    EXPECT_TRUE(at<QAbstractButton>(u"cmdZipDat"_s).isChecked());
    EXPECT_FALSE(at(u"txtlog"_s).isVisible()) << "the log pane starts hidden";
    EXPECT_EQ(filOld().path(), dats) << "an active DAT folder goes into both panels";
    EXPECT_EQ(filNew().path(), dats);
    closeWindow();

    temp.store().write(keys::PositionLeft, u"900000"_s);
    temp.store().write(keys::PositionTop, u"900000"_s);
    temp.store().write(keys::DatFolder, QString());
    const QStringList before = recent(mru::SourceDat);
    open();
    EXPECT_EQ(window->pos(), designed) << "a place no screen shows";
    EXPECT_EQ(filOld().path(), QDir::currentPath()) << "an empty DAT folder changes nothing";
    EXPECT_EQ(recent(mru::SourceDat), before);

    temp.store().write(keys::DatFolder, dats);
    {
        const ModalScript options = onModal([](QDialog& dialog) {
            click(dialog, u"optSetType_1"_s);
            click(dialog, u"cmdSave"_s);
        });
        at<QAction>(u"mnuSettings"_s).trigger();
    }
    EXPECT_EQ(filOld().path(), dats) << "saved options put their DAT folder into both panels";
    EXPECT_EQ(filNew().path(), dats);
    at<QAction>(u"mnuSettingsCopy"_s).trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), u"-m -d2 -z"_s) << "the switches follow the options";
}

TEST_F(MainWindow, RecentFoldersBrowsingAndCopyPathMoveAPanelAndPutItsFolderOnTop)
{
    const QString first = folder(u"first"_s, {u"1.dat"_s});
    const QString second = folder(u"second"_s);
    const QString chosen = folder(u"chosen"_s, {u"x.dat"_s});
    setRecent(mru::SourceDat, {first, second});
    open();
    select(filOld(), u"1.dat"_s);
    chooseRecent(u"cboSourceDat"_s, 1);
    EXPECT_EQ(recent(mru::SourceDat), (QStringList{second, first}));
    EXPECT_EQ(filOld().path(), second);
    EXPECT_EQ(text(u"lblSourceDat"_s), QString()) << "the selection went with the folder";

    prompter.chooseNext(QString());
    press(u"cmdBrowseLeft"_s);
    EXPECT_EQ(filOld().path(), second) << "cancel changes nothing";
    prompter.chooseNext(chosen);
    press(u"cmdBrowseLeft"_s);
    EXPECT_EQ(recent(mru::SourceDat), (QStringList{chosen, second, first}));
    press(u"cmdCopyPathLeft"_s);
    EXPECT_EQ(filNew().fileNames(), QStringList{u"x.dat"_s});
    EXPECT_EQ(recent(mru::CompareWith).first(), chosen);

    QDir(first).removeRecursively();
    chooseRecent(u"cboSourceDat"_s, 2);
    EXPECT_EQ(filOld().path(), chosen) << "a folder that is gone leaves the panel as it was";
}

TEST_F(MainWindow, ATypedOrPastedFolderOpensOnEnterAndOneThatCannotBeListedChangesNothing)
{
    const QString first = folder(u"first"_s, {u"1.dat"_s});
    const QString typed = folder(u"typed folder"_s, {u"t.dat"_s});
    const QString sub = folder(u"typed folder/sub"_s);
    writeFile(dirs.filePath(u"typed.dat"_s), "not a folder");
    showPanels(first, first);
    QComboBox& source = combo(u"cboSourceDat"_s);
    ASSERT_FALSE(source.lineEdit()->isReadOnly());
    const auto enter = [&](const QString& text) {
        source.setEditText(text);
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(source.lineEdit(), &press);
    };

    enter(typed);
    EXPECT_EQ(filOld().fileNames(), QStringList{u"t.dat"_s});
    EXPECT_EQ(recent(mru::SourceDat), (QStringList{typed, first}));
    EXPECT_EQ(source.currentText(), typed);
    enter(u"sub/"_s);
    EXPECT_EQ(filOld().path(), sub) << "relative to the panel's folder, in one spelling";
    enter(u" "_s + QUrl::fromLocalFile(first).toString() + u"\n"_s);
    EXPECT_EQ(filOld().path(), first) << "a pasted address";
    const QByteArray home = qgetenv("HOME");
    qputenv("HOME", typed.toLocal8Bit());
    enter(u"~/sub"_s);
    qputenv("HOME", home);
    EXPECT_EQ(filOld().path(), sub);
    EXPECT_EQ(recent(mru::SourceDat), (QStringList{sub, first, typed}));
    EXPECT_TRUE(prompter.messages().isEmpty());

    const QStringList recentBefore = recent(mru::SourceDat);
    const std::pair<QString, QString> unusable[] = {
        {dirs.filePath(u"missing"_s), u"The folder \"%1\" does not exist."_s},
        {dirs.filePath(u"typed.dat"_s), u"\"%1\" is not a folder."_s},
    };
    for (const auto& [path, message] : unusable) {
        enter(path);
        EXPECT_EQ(prompter.texts().value(prompter.texts().size() - 1), message.arg(path));
        EXPECT_EQ(prompter.messages().last().icon, PromptIcon::Exclamation);
        EXPECT_EQ(filOld().path(), sub);
        EXPECT_EQ(recent(mru::SourceDat), recentBefore);
        EXPECT_EQ(filNew().path(), first);
    }

    // Typing offers the folders whose names begin with what is typed, not the files.
    source.setEditText(dirs.path() + u'/');
    for (const QChar letter : u"typ"_s) {
        QKeyEvent key(QEvent::KeyPress, 0, Qt::NoModifier, letter);
        QApplication::sendEvent(source.lineEdit(), &key);
    }
    EXPECT_EQ(source.currentText(), dirs.filePath(u"typ"_s));
    QCompleter* completer = source.completer();
    ASSERT_NE(completer, nullptr);
    QElapsedTimer waited;  // the folder is read in the background
    waited.start();
    while (completer->completionCount() == 0 && waited.elapsed() < 10000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        completer->setCompletionPrefix(source.currentText());
    }
    QStringList offered;
    for (int row = 0; completer->setCurrentRow(row); ++row)
        offered.append(completer->currentCompletion());
    EXPECT_EQ(offered, QStringList{typed});
}

TEST_F(MainWindow, SelectionsAndADestinationEnableMakeDiffUntilTheListsChange)
{
    const QString dats = folder(u"dats"_s, {u"a.dat"_s, u"b.ZIP"_s});
    showPanels(dats, dats);
    select(filOld(), u"a.dat"_s);
    EXPECT_EQ(text(u"lblSourceDat"_s), u"a.dat"_s);
    select(filNew(), u"b.ZIP"_s);
    EXPECT_FALSE(enabled(u"cmdMakeDiff"_s));
    combo(u"cboFileDest"_s).setEditText(u"/out.old/diff"_s);
    EXPECT_TRUE(enabled(u"cmdMakeDiff"_s));
    prompter.chooseNext(QString());
    press(u"cmdBrowseDest"_s);
    EXPECT_EQ(combo(u"cboFileDest"_s).currentText(), u"/out.old/diff.dat"_s) << "a cancelled Save as keeps the name";
    emit filOld().itemDoubleClicked(filOld().currentItem());
    EXPECT_EQ(opened, QStringList{dats + u"/a.dat"_s}) << "a double click opens the file with its program";

    chooseRecent(u"cboFilterRight"_s, 2);
    EXPECT_EQ(filNew().fileNames(), QStringList{u"b.ZIP"_s});
    EXPECT_EQ(text(u"lblSourceDat"_s), QString()) << "a filter clears both selections";
    EXPECT_FALSE(enabled(u"cmdMakeDiff"_s));
}

TEST_F(MainWindow, AFileOrWebPageTheDesktopCannotOpenIsReportedWithTheReason)
{
    const QString dats = folder(u"dats"_s, {u"a.dat"_s});
    showPanels(dats, dats);
    const QString reason = u"xdg-open: no method available for opening it"_s;
    window->setDesktopShell({.openFile = [&](const QString&) { return Outcome::failure(reason); },
                             .openAddress = [&](const QString&) { return Outcome::failure(reason); }});
    select(filOld(), u"a.dat"_s);
    emit filOld().itemDoubleClicked(filOld().currentItem());
    at<QAction>(u"mnuAbout"_s).trigger();
    EXPECT_EQ(prompter.messages(),
              (QList<PromptMessage>{
                  {.text = u"\"%1/a.dat\" could not be opened: %2"_s.arg(dats, reason), .icon = PromptIcon::Critical},
                  {.text = u"The web page %1 could not be opened: %2"_s.arg(QLatin1StringView(aboutUrl), reason),
                   .icon = PromptIcon::Critical}}));
}

// A report kept from a run of setdelta or `quillon --make-diff --json` opens in a window of its
// own; one that is no report is told with the reason.
TEST_F(MainWindow, OpenReportShowsAReportInTheResultsWindowOrSaysWhyNot)
{
    open();
    QTemporaryDir reports;
    const QString report = movedSetsReport(reports);
    prompter.chooseNext(report);
    at<QAction>(u"mnuFileOpenReport"_s).trigger();
    auto* results = window->findChild<frmDiffResults*>();
    ASSERT_NE(results, nullptr);
    EXPECT_EQ(child<QLabel>(*results, u"lblReport"_s).text(), report) << "what the results come from";
    EXPECT_EQ(child<QToolButton>(*results, u"cmdShowMoved"_s).text(), u"Moved (1 set)"_s);
    EXPECT_FALSE(child<QPushButton>(*results, u"cmdOpenFolder"_s).isEnabled()) << "no diff DAT to show";
    results->close();

    const QString notReport = reports.filePath(u"old.dat"_s);
    prompter.chooseNext(notReport);
    at<QAction>(u"mnuFileOpenReport"_s).trigger();
    ASSERT_EQ(prompter.messages().size(), 1);
    EXPECT_EQ(prompter.messages().at(0).icon, PromptIcon::Critical);
    EXPECT_TRUE(prompter.texts().at(0).startsWith(u"The report could not be opened.\n"_s + notReport + u": "_s))
        << prompter.texts().at(0).toStdString();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(window->findChild<frmDiffResults*>(), nullptr);
}

TEST_F(MainWindow, CopyMoveAndDeleteActOnTheSelectedFileButNotWithinOneFolder)
{
    const QString left = folder(u"dats"_s, {u"a.dat"_s, u"gone.dat"_s});
    showPanels(left, left);
    for (const QString& button : {u"cmdCopyLeft"_s, u"cmdMoveLeft"_s, u"cmdCopyRight"_s, u"cmdMoveRight"_s}) {
        select(filOld(), u"a.dat"_s);
        select(filNew(), u"a.dat"_s);
        press(button);
    }
    EXPECT_TRUE(prompter.messages().isEmpty());
    EXPECT_EQ(readAll(left + u"/a.dat"_s), "a.dat");
    closeWindow();

    // A folder whose name differs in letter case only is another folder.
    const QString right = folder(u"Dats"_s, {u"r.dat"_s});
    writeFile(right + u"/a.dat"_s, "theirs");
    writeFile(right + u"/locked.dat"_s, "locked", QFile::ReadOwner);
    showPanels(left, right);

    select(filOld(), u"a.dat"_s);
    prompter.answerNext(PromptAnswer::Yes);
    press(u"cmdCopyLeft"_s);
    EXPECT_EQ(readAll(right + u"/a.dat"_s), "a.dat");
    select(filNew(), u"r.dat"_s);
    press(u"cmdMoveRight"_s);
    EXPECT_EQ(filOld().fileNames(), (QStringList{u"a.dat"_s, u"gone.dat"_s, u"r.dat"_s}));
    EXPECT_EQ(filNew().fileNames(), (QStringList{u"a.dat"_s, u"locked.dat"_s}));

    select(filOld(), u"gone.dat"_s);
    prompter.answerNext(PromptAnswer::Yes);
    press(u"cmdDeleteLeft"_s);
    EXPECT_FALSE(QFileInfo::exists(left + u"/gone.dat"_s));
    select(filNew(), u"locked.dat"_s);
    prompter.answerNext(PromptAnswer::Yes);
    press(u"cmdDeleteRight"_s);
    EXPECT_EQ(text(u"lblDatToCompare"_s), u"locked.dat"_s) << "a failed delete leaves the panels as they were";
    // Right to left over a file of the same name: the replace question of "File Copy/Move".
    select(filNew(), u"a.dat"_s);
    prompter.answerNext(PromptAnswer::No);
    press(u"cmdCopyRight"_s);
    EXPECT_EQ(readAll(left + u"/a.dat"_s), "a.dat");

    // The test's data folder does not exist, so there is no home trash to go to.
    const QString forGood = u"\n\nThere is no trash here: it will be deleted for good."_s;
    EXPECT_EQ(prompter.texts(), (QStringList{u"The destination folder already contains \"a.dat\".\n\nDo you want to replace it ?"_s,
                                             u"File succesfully moved.\n\n"_s,
                                             u"Do you want to delete \"gone.dat\" ?"_s + forGood,
                                             u"Do you want to delete \"locked.dat\" ?"_s + forGood,
                                             u"\"locked.dat\" could not be deleted.\n\nThe file is read-only."_s,
                                             u"The file already exists in the destinataion folder.\n\nDo you want to replace it ?"_s,
                                             u"Operation aborted."_s}));
    // Every question that would replace or delete a file leaves it alone unless the user says Yes.
    for (const PromptMessage& message : prompter.messages()) {
        if (message.buttons == PromptButtons::YesNo) {
            EXPECT_EQ(message.defaultAnswer, PromptAnswer::No) << message.text.toStdString();
        }
    }
    EXPECT_EQ(prompter.messages().at(5).title, u"File Copy/Move"_s);
}

// The real diff tool in an application folder of the test's own, scripted zip and header
// choices, and the demo DATs in both panels.
class MainWindowCommands : public MainWindow {
protected:
    void SetUp() override
    {
        const QString dats = folder(u"dats"_s);
        for (const QString& name : {u"quillon_demo_1.0.dat"_s, u"quillon_demo_1.1.dat"_s})
            QFile::copy(QStringLiteral(DEMO_DIR "/") + name, dats + u'/' + name);
        showPanels(dats, dats);
        window->setDiffTool(DiffTool(app.path()));
        window->setDatDialogs(dialogs);
        select(filOld(), u"quillon_demo_1.0.dat"_s);
        select(filNew(), u"quillon_demo_1.1.dat"_s);
        combo(u"cboFileDest"_s).setEditText(destination);
    }

    // Replaces the tool by one that runs `first` and then until it is stopped; `whileRunning`
    // acts once it has started. Nothing may be written.
    void stopASlowDiff(const std::function<void()>& whileRunning, const QByteArray& first = {})
    {
        QFile::remove(tool);
        writeFile(tool, "#!/bin/sh\n" + first + "echo comparing\nexec sleep 30\n", QFile::ReadOwner | QFile::ExeOwner);
        auto* log = &at<QPlainTextEdit>(u"txtlog"_s);
        const QObject thisRun;
        QObject::connect(log, &QPlainTextEdit::textChanged, &thisRun, [log, whileRunning] {
            if (log->toPlainText() == u"comparing\n"_s)
                QTimer::singleShot(0, whileRunning);
        });
        QElapsedTimer clock;
        clock.start();
        press(u"cmdMakeDiff"_s);
        EXPECT_LT(clock.elapsed(), 10000) << "the tool was stopped";
        EXPECT_FALSE(QFileInfo::exists(destination + u".dat"_s));
        EXPECT_EQ(QDir(RunFoldersRoot()).entryList({u"run-*"_s}, QDir::Dirs), QStringList());
        EXPECT_EQ(prompter.texts(), QStringList()) << at<QPlainTextEdit>(u"txtlog"_s).toPlainText().toStdString();
        EXPECT_TRUE(dialogs.headerRequests().isEmpty());
    }

    QTemporaryDir app;
    const QString tool = putRealTool(app);
    const QString destination = dirs.filePath(u"demo-diff"_s);
    ScriptedDatDialogs dialogs;
};

TEST_F(MainWindowCommands, MakeDiffComparesTheSelectedDatsAndShowsTheResultsAndInfoEditsAHeader)
{
    dialogs.saveNext(std::nullopt);
    press(u"cmdMakeDiff"_s);
    const QString written = destination + u".dat"_s;
    EXPECT_TRUE(readAll(written).contains("name cometbash")) << "the new set is in the diff";
    EXPECT_EQ(combo(u"cboFileDest"_s).currentText(), written);
    EXPECT_EQ(recent(mru::DestFile).first(), destination) << "the list gets the text as typed";
    EXPECT_EQ(prompter.texts(), QStringList{written + u" succesfully created!"_s});
    EXPECT_TRUE(window->isEnabled());

    EXPECT_EQ(at<frmDiffResults>(u"frmDiffResults"_s).shownSets().rowCount(), 5) << "1 new, 3 changed, 1 removed";

    const QString dat = filOld().path() + u"/quillon_demo_1.0.dat"_s;
    dialogs.saveNext(DatHeader{.name = u"Renamed"_s, .description = u"Renamed list"_s});
    press(u"cmdInfoLeft"_s);
    EXPECT_EQ(dialogs.headerRequests().last(), dat);
    EXPECT_TRUE(readAll(dat).startsWith("clrmamepro (\r\n\tname \"Renamed\"")) << "Info rewrites the selected DAT's header";
    window->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(window->findChild<frmDiffResults*>(), nullptr) << "closed with the main window";
}

// The header editor of a user who is logged out while it is open: its event loop hears the signal.
class HeaderEditorOpenAtSigterm : public ScriptedDatDialogs {
public:
    std::optional<DatHeader> AskNewHeader() override
    {
        ::raise(SIGTERM);
        QCoreApplication::processEvents();
        return ScriptedDatDialogs::AskNewHeader();
    }
};

// A logout, or a kill without -9: Quillon wires the signal to closing its windows, as here.
TEST_F(MainWindowCommands, ASigtermStopsTheRunWritesNothingAndClosesTheWindow)
{
    TerminationWatcher termination;
    QObject::connect(&termination, &TerminationWatcher::terminationRequested, &QApplication::closeAllWindows);
    stopASlowDiff([] { ::raise(SIGTERM); });
    EXPECT_FALSE(window->isVisible());

    QFile::remove(tool);
    putRealTool(app);
    SetUp();
    HeaderEditorOpenAtSigterm editor;
    editor.saveNext(DatHeader{.name = u"Typed"_s});
    window->setDatDialogs(editor);
    press(u"cmdMakeDiff"_s);
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(QFileInfo::exists(destination + u".dat"_s)) << "stopped while the header editor was open";
    EXPECT_TRUE(prompter.messages().isEmpty());
    EXPECT_EQ(QDir(RunFoldersRoot()).entryList({u"run-*"_s}, QDir::Dirs), QStringList());
}

TEST_F(MainWindowCommands, CancelInTheBusyWindowOrClosingTheMainWindowStopsTheTool)
{
    stopASlowDiff([] {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (widget->objectName() == u"frmSplash"_s && widget->isVisible())
                click(*widget, u"cmdCancel"_s);
    });
    EXPECT_TRUE(window->isEnabled());
    EXPECT_TRUE(window->isVisible());
    stopASlowDiff([this] { window->close(); });
    EXPECT_FALSE(window->isVisible());
}

// Window events run while Make Diff works, so a click may reach the window that a disabled
// button would not pass on.
TEST_F(MainWindowCommands, WhileMakeDiffRunsAClickTheOptionsOrClosingStartNothingAndTheWindowStaysUntilItEnds)
{
    const QString starts = app.filePath(u"starts"_s);
    bool optionsOpened = false;
    bool keptDuringTheRun = false;
    bool acted = false;
    stopASlowDiff([&] {
        if (std::exchange(acted, true))
            return;
        QTimer::singleShot(0, [&optionsOpened] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                optionsOpened = true;
                modal->close();
            }
        });
        window->findChild<QAction*>(u"mnuSettings"_s)->trigger();
        emit at<QPushButton>(u"cmdMakeDiff"_s).clicked(false);
        window->close();
        keptDuringTheRun = window->isVisible();
    }, "echo started >>'" + QFile::encodeName(starts) + "'\n");
    EXPECT_FALSE(optionsOpened) << "the options stay as the run took them";
    EXPECT_EQ(readAll(starts), "started\n") << "one run only";
    EXPECT_TRUE(keptDuringTheRun) << "the window is the run's until it has ended";
    EXPECT_FALSE(window->isVisible()) << "and closes then";
}

TEST_F(MainWindowCommands, TheBusyWindowShowsTheToolsProgressAndEscapeStopsTheTool)
{
    bool seen = false;
    stopASlowDiff([&seen] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (widget->objectName() != u"frmSplash"_s || !widget->isVisible())
                continue;
            seen = true;
            EXPECT_TRUE(child(*widget, "barProgress").isVisible());
            EXPECT_EQ(child<QProgressBar>(*widget, "barProgress").value(), 45) << "200 of 400 bytes read";
            EXPECT_EQ(child<QLabel>(*widget, "lblPhase").text(), u"Reading the Dats..."_s);
            QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QApplication::sendEvent(widget, &escape);
        }
    }, "[ \"$1\" = --progress-fd ] && printf 'progress reading 50 100 150 300\\n' >/proc/self/fd/$2\nsleep 0.3\n");
    EXPECT_TRUE(seen);
    EXPECT_FALSE(at<QPlainTextEdit>(u"txtlog"_s).toPlainText().contains(u"progress"_s));
}
