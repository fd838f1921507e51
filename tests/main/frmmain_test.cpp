// The main window driven as a user would, offscreen, over real folders, with scripted answers.
#include "diffreport.h"
#include "diffresultsmodel.h"
#include "filelistbox.h"
#include "frmdiffresults.h"
#include "frmmain.h"
#include "mru.h"
#include "runfolder.h"
#include "scripteddatdialogs.h"
#include "scriptedprompter.h"
#include "settingkeys.h"
#include "tempstore.h"
#include "testfiles.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <memory>

using namespace quillon;
using quillon::testing::readAll;
using quillon::testing::ScriptedDatDialogs;
using quillon::testing::ScriptedPrompter;
using quillon::testing::TempStore;
using quillon::testing::writeFile;

namespace {

constexpr auto readOnly = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther;

class MainWindow : public ::testing::Test {
protected:
    frmmain& open(const StartupOptions& startup = {})
    {
        window = std::make_unique<frmmain>(temp.store(), prompter, startup);
        window->setDesktopShell({
            .openFile = [this](const QString& file) { openedFiles.append(file); return true; },
            .openAddress = [this](const QString& address) { openedAddresses.append(address); return true; },
        });
        window->show();
        return *window;
    }

    void closeWindow()
    {
        window->close();
        window.reset();
    }

    template <typename Widget>
    Widget* child(const char* name)
    {
        auto* found = window->findChild<Widget*>(name);
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    FileListBox* filOld() { return child<FileListBox>("filOld"); }
    FileListBox* filNew() { return child<FileListBox>("filNew"); }
    QString text(const char* label) { return child<QLabel>(label)->text(); }
    bool enabled(const char* button) { return child<QAbstractButton>(button)->isEnabled(); }
    void click(const char* button) { child<QAbstractButton>(button)->click(); }
    void trigger(const char* action) { child<QAction>(action)->trigger(); }

    // A folder under the temporary folder, holding the given files.
    QString folder(const QString& name, const QStringList& files = {})
    {
        const QString path = dirs.filePath(name);
        QDir().mkpath(path);
        for (const QString& file : files)
            writeFile(path + '/' + file, file.toUtf8());
        return path;
    }

    void select(FileListBox* list, const QString& name)
    {
        const qsizetype row = list->fileNames().indexOf(name);
        ASSERT_GE(row, 0) << name.toStdString();
        list->setCurrentRow(static_cast<int>(row));
    }

    void chooseRecent(const char* comboName, int index)
    {
        QComboBox* combo = child<QComboBox>(comboName);
        combo->setCurrentIndex(index);
        emit combo->activated(index);
    }

    void showPanels(const QString& left, const QString& right)
    {
        SaveMRU(temp.store(), mru::SourceDat, {left});
        SaveMRU(temp.store(), mru::CompareWith, {right});
        open();
        ASSERT_EQ(filOld()->path(), left);
        ASSERT_EQ(filNew()->path(), right);
    }

    QString statusText() { return child<QStatusBar>("sbStatusBar")->currentMessage(); }
    void showStatus(const QString& text) { child<QStatusBar>("sbStatusBar")->showMessage(text); }

    // Answers the modal dialog that the next command opens by clicking its buttons in order.
    void whenDialogOpens(const QStringList& buttons)
    {
        QTimer::singleShot(0, [buttons] {
            QWidget* dialog = QApplication::activeModalWidget();
            ASSERT_NE(dialog, nullptr);
            for (const QString& name : buttons)
                dialog->findChild<QAbstractButton*>(name)->click();
        });
    }

    TempStore temp;
    ScriptedPrompter prompter;
    QTemporaryDir dirs;
    std::unique_ptr<frmmain> window;
    QStringList openedFiles;
    QStringList openedAddresses;
};

}  // namespace

TEST_F(MainWindow, CaptionFollowsTheOptionsOnceTheirDialogHasClosed)
{
    open();
    temp.store().write(keys::SetType, "1");
    temp.store().write(keys::NoDump, "0");
    EXPECT_EQ(window->windowTitle(), "Quillon 1.4.0 - Options: -s -d2 -z");

    whenDialogOpens({"cmdCancel"});
    trigger("mnuSettings");
    EXPECT_EQ(window->windowTitle(), "Quillon 1.4.0 - Options: -m -d2");
    EXPECT_EQ(LoadMRU(temp.store(), mru::SourceDat), QStringList{""}) << "no DAT folder, no change";
}

TEST_F(MainWindow, ClosingTheOptionsPutsTheDatFolderIntoBothPanels)
{
    const QString dats = folder("dats", {"a.dat"});
    SaveMRU(temp.store(), mru::SourceDat, {folder("older")});
    open();
    temp.store().write(keys::DatFolder, dats);

    whenDialogOpens({"cmdCancel"});
    trigger("mnuSettings");

    EXPECT_EQ(filOld()->path(), dats);
    EXPECT_EQ(filNew()->path(), dats);
    EXPECT_EQ(child<QComboBox>("cboSourceDat")->currentText(), dats);
    EXPECT_EQ(child<QComboBox>("cboCompareWith")->currentText(), dats);
    EXPECT_EQ(LoadMRU(temp.store(), mru::SourceDat), (QStringList{dats, dirs.filePath("older")}));
    EXPECT_EQ(LoadMRU(temp.store(), mru::CompareWith), QStringList{dats});
}

TEST_F(MainWindow, ButtonTipsShowInStatusPanelOneWhileHovered)
{
    open();
    // A button of each panel, one with only a picture, and one below them.
    const std::pair<const char*, QString> tips[] = {
        {"cmdCopyPathLeft", "Copy the current file list path to the right panel."},
        {"cmdMoveRight", "Move the current selected file on the right panel to the left one."},
        {"cmdBrowseDest", " Open a Save as... window to select the destination file."},
    };
    for (const auto& [name, tip] : tips) {
        QEvent enter(QEvent::Enter);
        QApplication::sendEvent(child<QAbstractButton>(name), &enter);
        EXPECT_EQ(statusText(), tip) << name;
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(child<QAbstractButton>(name), &leave);
        EXPECT_EQ(statusText(), "") << name;
    }

    showStatus("busy");
    prompter.chooseNext("");
    click("cmdBrowseDest");
    EXPECT_EQ(statusText(), "") << "Save as hides the tip";
}

TEST_F(MainWindow, MenuTipsShowInStatusPanelOne)
{
    open();
    for (const auto& [name, tip] : {std::pair{"mnuSettings", QString("Open the settings window.")},
                                    std::pair{"mnuAbout", QString()}}) {
        showStatus("something else");
        child<QAction>(name)->showStatusText(window.get());
        EXPECT_EQ(statusText(), tip) << name << ": an item without a tip clears the panel";
    }
}

TEST_F(MainWindow, TheMenuDesignerIsOfferedOnlyInAdvancedMode)
{
    open();
    EXPECT_FALSE(child<QAction>("mnuAdvancedDesigner")->isVisible());
    closeWindow();

    open({.advancedMode = true});
    EXPECT_TRUE(child<QAction>("mnuAdvancedDesigner")->isVisible());
    trigger("mnuAdvancedDesigner");
    auto* designer = child<QDialog>("frmMenuDesigner");
    ASSERT_NE(designer, nullptr);
    EXPECT_TRUE(designer->isVisible());
}

TEST_F(MainWindow, SettingsToClipboardPutsExactlyTheSwitches)
{
    open();
    trigger("mnuSettingsCopy");
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "-s -d2 -z");
    closeWindow();

    temp.store().write(keys::SetType, "7");
    temp.store().write(keys::DatType, "9");
    temp.store().write(keys::NoDump, "0");
    open();
    trigger("mnuSettingsCopy");
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "");
}

TEST_F(MainWindow, AboutOpensTheProjectPage)
{
    open();
    trigger("mnuAbout");
    EXPECT_EQ(openedAddresses, QStringList{aboutUrl});
}

// The diff tool in an application folder of the test's own, and scripted zip and header choices.
class MainWindowCommands : public MainWindow {
protected:
    MainWindowCommands()
    {
        QDir(app.path()).mkdir("sdelta");
        QFile::link(SETDELTA_PATH, app.filePath("sdelta/setdelta"));
    }

    frmmain& openOnDemo()
    {
        const QString dats = folder("dats");
        for (const char* name : {"quillon_demo_1.0.dat", "quillon_demo_1.1.dat"})
            QFile::copy(QString(DEMO_DIR "/") + name, dats + '/' + name);
        showPanels(dats, dats);
        window->setDiffTool(DiffTool(app.path()));
        window->setDatDialogs(dialogs);
        return *window;
    }

    QTemporaryDir app;
    ScriptedDatDialogs dialogs;
};

TEST_F(MainWindowCommands, MakeDiffComparesTheTwoSelectedDats)
{
    openOnDemo();
    select(filOld(), "quillon_demo_1.0.dat");
    select(filNew(), "quillon_demo_1.1.dat");
    const QString typed = dirs.filePath("demo-diff");
    child<QComboBox>("cboFileDest")->setEditText(typed);
    dialogs.saveNext(std::nullopt);
    click("cmdMakeDiff");

    const QString destination = typed + ".dat";
    EXPECT_TRUE(readAll(destination).contains("name cometbash")) << "the new set is in the diff";
    EXPECT_EQ(child<QComboBox>("cboFileDest")->currentText(), destination);
    EXPECT_EQ(LoadMRU(temp.store(), mru::DestFile).first(), typed) << "the list gets the text as typed";
    EXPECT_TRUE(child<QPlainTextEdit>("txtlog")->toPlainText().contains("Wrote setdelta.dat"));
    EXPECT_EQ(prompter.texts(), QStringList{destination + " succesfully created!"});
    EXPECT_TRUE(window->isEnabled());

    auto* results = window->findChild<frmDiffResults*>("frmDiffResults");
    ASSERT_NE(results, nullptr) << "the run's report opens after the message";
    EXPECT_EQ(results->shownSets().rowCount(), 5) << "1 new, 3 changed and 1 removed demo set";
    EXPECT_TRUE(child<QAction>("mnuFileLastResults")->isEnabled());
}

// A stand-in for the tool that runs until it is stopped; `whileRunning` acts once it has started.
class MainWindowStoppingMakeDiff : public MainWindowCommands {
protected:
    void startSlowDiff(const std::function<void()>& whileRunning)
    {
        openOnDemo();
        QFile::remove(app.filePath("sdelta/setdelta"));
        writeFile(app.filePath("sdelta/setdelta"), "#!/bin/sh\necho comparing\nexec sleep 30\n",
                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        select(filOld(), "quillon_demo_1.0.dat");
        select(filNew(), "quillon_demo_1.1.dat");
        child<QComboBox>("cboFileDest")->setEditText(destination);
        auto* log = child<QPlainTextEdit>("txtlog");
        QObject::connect(log, &QPlainTextEdit::textChanged, log, [log, whileRunning] {
            if (log->toPlainText() == "comparing\n")
                QTimer::singleShot(0, whileRunning);
        });
        clock.start();
        click("cmdMakeDiff");
    }

    void expectNothingWritten()
    {
        EXPECT_LT(clock.elapsed(), 10000) << "the tool was stopped";
        EXPECT_FALSE(QFileInfo::exists(destination));
        EXPECT_EQ(QDir(RunFoldersRoot()).entryList({"run-*"}, QDir::Dirs), QStringList());
        EXPECT_TRUE(prompter.messages().isEmpty());
        EXPECT_TRUE(dialogs.headerRequests().isEmpty());
    }

    QString destination = dirs.filePath("diff.dat");
    QElapsedTimer clock;
};

TEST_F(MainWindowStoppingMakeDiff, CancelInTheBusyWindowStopsTheTool)
{
    startSlowDiff([] {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (widget->objectName() == "frmSplash" && widget->isVisible())
                widget->findChild<QPushButton*>("cmdCancel")->click();
    });
    expectNothingWritten();
    EXPECT_TRUE(window->isEnabled());
    EXPECT_TRUE(window->isVisible());
}

TEST_F(MainWindowStoppingMakeDiff, ClosingTheMainWindowStopsTheTool)
{
    startSlowDiff([this] { window->close(); });
    expectNothingWritten();
    EXPECT_FALSE(window->isVisible());
}

TEST_F(MainWindowCommands, MakeDiffWantsTwoDatsAndADestination)
{
    openOnDemo();
    child<QPushButton>("cmdMakeDiff")->setEnabled(true);
    click("cmdMakeDiff");
    select(filOld(), "quillon_demo_1.0.dat");
    select(filNew(), "quillon_demo_1.1.dat");
    child<QPushButton>("cmdMakeDiff")->setEnabled(true);
    click("cmdMakeDiff");
    EXPECT_EQ(prompter.texts(), (QStringList{"Please select one Dat per side before press 'Make Diff'!",
                                             "Please select a destionation Dat before press 'Make Diff'!"}));
    for (const PromptMessage& message : prompter.messages()) {
        EXPECT_EQ(message.title, "Warning...");
        EXPECT_EQ(message.icon, PromptIcon::Exclamation);
    }
    EXPECT_TRUE(dialogs.headerRequests().isEmpty());
}

TEST_F(MainWindowCommands, InfoRewritesTheHeaderOfTheSelectedDat)
{
    openOnDemo();
    select(filOld(), "quillon_demo_1.0.dat");
    dialogs.saveNext(DatHeader{.name = "Renamed", .description = "Renamed list"});
    click("cmdInfoLeft");
    EXPECT_EQ(dialogs.headerRequests(), QStringList{filOld()->path() + "/quillon_demo_1.0.dat"});
    EXPECT_TRUE(readAll(filOld()->path() + "/quillon_demo_1.0.dat").startsWith("clrmamepro (\r\n\tname \"Renamed\""));
}

TEST_F(MainWindowCommands, SettingsOpensTheOptionsAndTheCaptionFollows)
{
    open();
    whenDialogOpens({"optSetType_1", "cmdSave"});
    trigger("mnuSettings");
    EXPECT_EQ(window->windowTitle(), "Quillon 1.4.0 - Options: -m -d2 -z");
}

TEST_F(MainWindowCommands, CreateOpensTheCreationWindow)
{
    open();
    QString title;
    QTimer::singleShot(0, [&title] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        title = dialog->windowTitle();
        dialog->findChild<QAbstractButton*>("cmdCancel")->click();
    });
    click("cmdCreateDat");
    EXPECT_EQ(title, "Create a Dat-File from a MAME Executable");
}

TEST_F(MainWindow, TheLogPaneSetsTheHeight)
{
    open();
    auto* log = child<QPlainTextEdit>("txtlog");
    EXPECT_FALSE(log->isVisible());
    EXPECT_EQ(window->height(), 487);

    click("cmdShowLog");
    EXPECT_TRUE(log->isVisible());
    EXPECT_EQ(window->height(), 687);
    EXPECT_EQ(child<QPushButton>("cmdShowLog")->text(), "Hide &Log");

    click("cmdShowLog");
    EXPECT_FALSE(log->isVisible());
    EXPECT_EQ(window->height(), 487);
    EXPECT_EQ(child<QPushButton>("cmdShowLog")->text(), "Show &Log");
}

TEST_F(MainWindow, PositionAndZipToggleSurviveACloseAndTheLogPaneDoesNot)
{
    open();
    window->move(200, 150);
    click("cmdShowLog");
    click("cmdZipDat");
    closeWindow();
    EXPECT_EQ(temp.store().readString(keys::PositionLeft), "3000");
    EXPECT_EQ(temp.store().readString(keys::PositionTop), "2250");
    EXPECT_EQ(temp.store().readString(keys::DiffZipDat), "True");

    open();
    EXPECT_EQ(window->pos(), QPoint(200, 150));
    EXPECT_TRUE(child<QToolButton>("cmdZipDat")->isChecked());
    EXPECT_EQ(window->height(), 487);
    EXPECT_FALSE(child<QPlainTextEdit>("txtlog")->isVisible());
    click("cmdZipDat");
    closeWindow();
    EXPECT_EQ(temp.store().readString(keys::DiffZipDat), "False");
}

TEST_F(MainWindow, WithoutAUsablePositionTheWindowOpensAtItsDesignedPlace)
{
    open();
    const QPoint designed = window->pos();
    closeWindow();

    temp.store().write(keys::PositionLeft, "900000");
    temp.store().write(keys::PositionTop, "900000");
    open();
    EXPECT_EQ(window->pos(), designed) << "a place no screen shows";
}

TEST_F(MainWindow, PanelsStartInTheirRecentFoldersOnFirstActivation)
{
    const QString left = folder("left", {"l.dat"});
    const QString right = folder("right", {"r.dat"});
    SaveMRU(temp.store(), mru::SourceDat, {left, folder("old")});
    SaveMRU(temp.store(), mru::CompareWith, {right});
    window = std::make_unique<frmmain>(temp.store(), prompter);
    EXPECT_EQ(child<QComboBox>("cboSourceDat")->currentText(), "") << "nothing chosen before activation";
    EXPECT_EQ(child<QComboBox>("cboSourceDat")->count(), 2);

    window->show();
    EXPECT_EQ(filOld()->path(), left);
    EXPECT_EQ(filOld()->fileNames(), QStringList{"l.dat"});
    EXPECT_EQ(filNew()->path(), right);
    EXPECT_EQ(child<QComboBox>("cboSourceDat")->currentText(), left);
}

TEST_F(MainWindow, PanelsStartInTheDatFolderWhenTheOptionsSaySo)
{
    const QString dats = folder("dats", {"a.dat"});
    SaveMRU(temp.store(), mru::SourceDat, {folder("left")});
    temp.store().write(keys::DatFolderMode, "1");
    temp.store().write(keys::DatFolder, dats);
    open();
    EXPECT_EQ(filOld()->path(), dats);
    EXPECT_EQ(filNew()->path(), dats);
    EXPECT_EQ(LoadMRU(temp.store(), mru::SourceDat).first(), dats);
    closeWindow();

    temp.store().write(keys::DatFolder, "");
    const QString before = LoadMRU(temp.store(), mru::SourceDat).join('|');
    open();
    EXPECT_EQ(filOld()->path(), QDir::currentPath()) << "an empty DAT folder changes nothing";
    EXPECT_EQ(LoadMRU(temp.store(), mru::SourceDat).join('|'), before);
}

TEST_F(MainWindow, ChoosingARecentFolderMovesItToTheTop)
{
    const QString first = folder("first", {"1.dat"});
    const QString second = folder("second", {"2.dat"});
    const QString third = folder("third", {"3.dat"});
    SaveMRU(temp.store(), mru::SourceDat, {first, second, third});
    SaveMRU(temp.store(), mru::CompareWith, {first});
    open();
    select(filOld(), "1.dat");

    chooseRecent("cboSourceDat", 2);
    EXPECT_EQ(LoadMRU(temp.store(), mru::SourceDat), (QStringList{third, first, second}));
    EXPECT_EQ(filOld()->path(), third);
    EXPECT_EQ(child<QComboBox>("cboSourceDat")->currentIndex(), 0);
    EXPECT_FALSE(enabled("cmdDeleteLeft"));
    EXPECT_FALSE(enabled("cmdDeleteRight"));
    EXPECT_EQ(text("lblSourceDat"), "");

    chooseRecent("cboSourceDat", 0);
    EXPECT_EQ(LoadMRU(temp.store(), mru::SourceDat), (QStringList{third, first, second}));

    QDir(second).removeRecursively();
    chooseRecent("cboSourceDat", 2);
    EXPECT_EQ(filOld()->path(), third) << "a folder that is gone leaves the panel as it was";
}

TEST_F(MainWindow, SelectionsAndADestinationEnableMakeDiff)
{
    const QString dats = folder("dats", {"a.dat", "b.dat"});
    showPanels(dats, dats);

    select(filOld(), "a.dat");
    EXPECT_EQ(text("lblSourceDat"), "a.dat");
    for (const char* button : {"cmdDeleteLeft", "cmdCopyLeft", "cmdMoveLeft", "cmdInfoLeft"})
        EXPECT_TRUE(enabled(button)) << button;
    EXPECT_FALSE(enabled("cmdDeleteRight"));

    select(filNew(), "b.dat");
    EXPECT_EQ(text("lblDatToCompare"), "b.dat");
    EXPECT_FALSE(enabled("cmdMakeDiff"));
    child<QComboBox>("cboFileDest")->setEditText("/out/diff");
    EXPECT_TRUE(enabled("cmdMakeDiff"));
    child<QComboBox>("cboFileDest")->setEditText("");
    EXPECT_FALSE(enabled("cmdMakeDiff"));
    child<QComboBox>("cboFileDest")->setEditText("/out/diff");

    click("cmdRefreshRight");
    EXPECT_EQ(text("lblSourceDat"), "");
    EXPECT_EQ(text("lblDatToCompare"), "");
    EXPECT_FALSE(enabled("cmdCopyLeft"));
    EXPECT_FALSE(enabled("cmdMakeDiff"));
}

TEST_F(MainWindow, TheZipFilterShowsOnlyZipsAndClearsBothSelections)
{
    const QString dats = folder("dats", {"a.dat", "B.ZIP", "c.xml"});
    showPanels(dats, dats);
    select(filOld(), "a.dat");
    select(filNew(), "c.xml");

    chooseRecent("cboFilterLeft", 2);
    EXPECT_EQ(filOld()->fileNames(), QStringList{"B.ZIP"});
    EXPECT_EQ(filNew()->fileNames(), (QStringList{"a.dat", "B.ZIP", "c.xml"}));
    EXPECT_EQ(text("lblSourceDat"), "");
    EXPECT_EQ(text("lblDatToCompare"), "");
}

TEST_F(MainWindow, BrowsingSetsThePanelFolderAndRemembersIt)
{
    const QString start = folder("start");
    const QString chosen = folder("chosen", {"x.dat"});
    showPanels(start, start);

    prompter.chooseNext("");
    click("cmdBrowseLeft");
    EXPECT_EQ(filOld()->path(), start);
    EXPECT_EQ(LoadMRU(temp.store(), mru::SourceDat), QStringList{start}) << "cancel changes nothing";

    prompter.chooseNext(chosen);
    click("cmdBrowseLeft");
    EXPECT_EQ(filOld()->path(), chosen);
    EXPECT_EQ(child<QComboBox>("cboSourceDat")->currentText(), chosen);
    EXPECT_EQ(LoadMRU(temp.store(), mru::SourceDat), (QStringList{chosen, start}));
    ASSERT_EQ(prompter.folderRequests().size(), 2);
    EXPECT_EQ(prompter.folderRequests().first(),
              (ScriptedPrompter::FolderRequest{"Select a folder containing .dat files...", start}));
}

TEST_F(MainWindow, CopyPathGivesTheOtherPanelThisFolder)
{
    const QString left = folder("left", {"l.dat"});
    const QString right = folder("right");
    showPanels(left, right);

    click("cmdCopyPathLeft");
    EXPECT_EQ(filNew()->path(), left);
    EXPECT_EQ(filNew()->fileNames(), QStringList{"l.dat"});
    EXPECT_EQ(child<QComboBox>("cboCompareWith")->currentText(), left);
    EXPECT_EQ(LoadMRU(temp.store(), mru::CompareWith), (QStringList{left, right}));
}

TEST_F(MainWindow, CopyAndMoveDoNothingWithinOneFolder)
{
    const QString dats = folder("dats", {"a.dat"});
    showPanels(dats, dats);
    for (const char* button : {"cmdCopyLeft", "cmdMoveLeft", "cmdCopyRight", "cmdMoveRight"}) {
        select(filOld(), "a.dat");
        select(filNew(), "a.dat");
        click(button);
    }
    EXPECT_TRUE(prompter.messages().isEmpty());
    EXPECT_EQ(filOld()->fileNames(), QStringList{"a.dat"});
}

TEST_F(MainWindow, FoldersDifferingOnlyInCaseAreDifferentFolders)
{
    const QString upper = folder("Dats", {"a.dat"});
    const QString lower = folder("dats");
    showPanels(upper, lower);
    select(filOld(), "a.dat");
    click("cmdMoveLeft");
    EXPECT_EQ(prompter.texts(), QStringList{"File succesfully moved.\n\n"});
    EXPECT_TRUE(filOld()->fileNames().isEmpty());
    EXPECT_EQ(filNew()->fileNames(), QStringList{"a.dat"});
}

TEST_F(MainWindow, TheLeftCopyAsksBeforeReplacingAndRefreshesBothPanels)
{
    const QString left = folder("left", {"a.dat", "b.dat"});
    const QString right = folder("right");
    writeFile(right + "/a.dat", "theirs");
    showPanels(left, right);

    select(filOld(), "b.dat");
    click("cmdCopyLeft");
    EXPECT_EQ(readAll(right + "/b.dat"), "b.dat");
    EXPECT_EQ(filNew()->fileNames(), (QStringList{"a.dat", "b.dat"}));
    EXPECT_EQ(text("lblSourceDat"), "");

    select(filOld(), "a.dat");
    prompter.answerNext(PromptAnswer::No);
    click("cmdCopyLeft");
    EXPECT_EQ(readAll(right + "/a.dat"), "theirs");

    select(filOld(), "a.dat");
    prompter.answerNext(PromptAnswer::Yes);
    click("cmdCopyLeft");
    EXPECT_EQ(readAll(right + "/a.dat"), "a.dat");
    EXPECT_EQ(prompter.messages().size(), 2) << "two questions and no other message";
}

TEST_F(MainWindow, TheRightCopyAndTheMovesUseFileCopy)
{
    const QString left = folder("left", {"a.dat"});
    const QString right = folder("right", {"a.dat", "r.dat"});
    writeFile(left + "/locked.dat", "locked", readOnly);
    showPanels(left, right);

    select(filNew(), "a.dat");
    prompter.answerNext(PromptAnswer::No);
    click("cmdCopyRight");
    select(filNew(), "r.dat");
    click("cmdCopyRight");
    EXPECT_EQ(filOld()->fileNames(), (QStringList{"a.dat", "locked.dat", "r.dat"}));

    select(filOld(), "locked.dat");
    click("cmdMoveLeft");
    EXPECT_TRUE(QFileInfo::exists(left + "/locked.dat"));
    EXPECT_TRUE(QFileInfo::exists(right + "/locked.dat"));

    select(filNew(), "r.dat");
    prompter.answerNext(PromptAnswer::Yes);
    click("cmdMoveRight");
    EXPECT_FALSE(QFileInfo::exists(right + "/r.dat"));

    EXPECT_EQ(prompter.texts(),
              (QStringList{"The file already exists in the destinataion folder.\n\nDo you want to replace it ?",
                           "Operation aborted.", "File succesfully copied.\n\n",
                           "An error has occurred during the copy of the file.\n\nThe file is read-only.",
                           "The file already exists in the destinataion folder.\n\nDo you want to replace it ?",
                           "File succesfully moved.\n\n"}));
}

TEST_F(MainWindow, DeleteAsksThenDeletesAndRefreshes)
{
    const QString dats = folder("dats", {"old.dat", "keep.dat"});
    showPanels(dats, dats);
    select(filOld(), "old.dat");
    prompter.answerNext(PromptAnswer::No);
    click("cmdDeleteLeft");
    EXPECT_TRUE(QFileInfo::exists(dats + "/old.dat"));
    EXPECT_EQ(text("lblSourceDat"), "old.dat");

    prompter.answerNext(PromptAnswer::Yes);
    click("cmdDeleteLeft");
    EXPECT_FALSE(QFileInfo::exists(dats + "/old.dat"));
    EXPECT_EQ(filOld()->fileNames(), QStringList{"keep.dat"});
    EXPECT_EQ(filNew()->fileNames(), QStringList{"keep.dat"});
    EXPECT_EQ(text("lblSourceDat"), "");
    EXPECT_EQ(prompter.texts().first(), "Do you want to delete \"old.dat\" ?");
}

TEST_F(MainWindow, AFailedDeleteIsReportedAndLeavesThePanelsAsTheyWere)
{
    const QString dats = folder("dats");
    writeFile(dats + "/locked.dat", "x", readOnly);
    showPanels(dats, dats);
    select(filNew(), "locked.dat");
    prompter.answerNext(PromptAnswer::Yes);

    click("cmdDeleteRight");

    EXPECT_TRUE(QFileInfo::exists(dats + "/locked.dat"));
    EXPECT_EQ(prompter.texts().last(), "\"locked.dat\" could not be deleted.\n\nThe file is read-only.");
    EXPECT_EQ(text("lblDatToCompare"), "locked.dat");
    EXPECT_TRUE(enabled("cmdDeleteRight"));
}

TEST_F(MainWindow, DoubleClickOpensTheFileWithItsProgram)
{
    const QString dats = folder("dats", {"a.dat"});
    showPanels(dats, dats);
    select(filOld(), "a.dat");
    emit filOld()->itemDoubleClicked(filOld()->item(0));
    EXPECT_EQ(openedFiles, QStringList{dats + "/a.dat"});
}

TEST_F(MainWindow, SaveAsNamesADatDestination)
{
    open();
    QComboBox* destination = child<QComboBox>("cboFileDest");

    prompter.chooseNext(dirs.filePath("C"));
    click("cmdBrowseDest");
    EXPECT_EQ(destination->currentText(), dirs.filePath("C.dat"));
    EXPECT_EQ(LoadMRU(temp.store(), mru::DestFile), QStringList{dirs.filePath("C.dat")});

    destination->setEditText("/out.old/new");
    prompter.chooseNext("");
    click("cmdBrowseDest");
    EXPECT_EQ(destination->currentText(), "/out.old/new.dat") << "cancel keeps the typed name";
    EXPECT_EQ(LoadMRU(temp.store(), mru::DestFile).first(), "/out.old/new.dat");
    EXPECT_EQ(prompter.saveRequests().last().startPath, "/out.old/new");

    destination->setEditText("");
    prompter.chooseNext("");
    click("cmdBrowseDest");
    EXPECT_EQ(LoadMRU(temp.store(), mru::DestFile).size(), 2) << "nothing named, nothing recorded";
}

TEST_F(MainWindow, ResultsOpenAfterMakeDiffAndAgainFromTheFileMenu)
{
    open();
    EXPECT_FALSE(child<QAction>("mnuFileLastResults")->isEnabled());
    const QString report = dirs.filePath("report.json");
    writeFile(report, quillon::testing::sampleDiffReport());

    window->showDiffReport({.json = report}, dirs.filePath("out/diff.dat"));
    auto* results = window->findChild<frmDiffResults*>("frmDiffResults");
    ASSERT_NE(results, nullptr);
    EXPECT_TRUE(results->isVisible());
    EXPECT_EQ(results->windowTitle(), "Diff results");
    EXPECT_EQ(results->shownSets().rowCount(), 5);
    EXPECT_TRUE(child<QAction>("mnuFileLastResults")->isEnabled());

    results->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(window->findChild<frmDiffResults*>("frmDiffResults"), nullptr);
    trigger("mnuFileLastResults");
    trigger("mnuFileLastResults");
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(window->findChildren<frmDiffResults*>().size(), 1) << "one results window at a time";
    EXPECT_TRUE(prompter.messages().isEmpty());

    window->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(window->findChild<frmDiffResults*>("frmDiffResults"), nullptr) << "closed with the main window";
}

TEST_F(MainWindow, WithTheOptionOffResultsAreKeptButNotShown)
{
    temp.store().write(keys::ShowDiffResults, "0");
    open();
    const QString report = dirs.filePath("report.json");
    writeFile(report, quillon::testing::sampleDiffReport());

    window->showDiffReport({.json = report}, dirs.filePath("diff.dat"));
    EXPECT_EQ(window->findChild<frmDiffResults*>("frmDiffResults"), nullptr);
    EXPECT_TRUE(child<QAction>("mnuFileLastResults")->isEnabled());
    trigger("mnuFileLastResults");
    EXPECT_NE(window->findChild<frmDiffResults*>("frmDiffResults"), nullptr);
}

TEST_F(MainWindow, AnUnreadableReportIsReportedAndForgetsEarlierResults)
{
    open();
    const QString report = dirs.filePath("report.json");
    writeFile(report, quillon::testing::sampleDiffReport());
    window->showDiffReport({.json = report}, dirs.filePath("diff.dat"));
    ASSERT_TRUE(child<QAction>("mnuFileLastResults")->isEnabled());

    writeFile(report, "{\"format\": \"setdelta-report\", \"sets\": [");
    window->showDiffReport({.json = report}, dirs.filePath("diff.dat"));
    ASSERT_EQ(prompter.messages().size(), 1);
    EXPECT_EQ(prompter.messages().at(0).icon, PromptIcon::Exclamation);
    EXPECT_TRUE(prompter.texts().at(0).startsWith("The diff DAT was written, but its results could not be read.\n" +
                                                  report + ": "))
        << prompter.texts().at(0).toStdString();
    EXPECT_FALSE(child<QAction>("mnuFileLastResults")->isEnabled());
}
