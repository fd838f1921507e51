#include "dialogprompter.h"
#include "frmoptions.h"
#include "logpane.h"
#include "mru.h"
#include "recentcombo.h"
#include "scriptedprompter.h"
#include "settingkeys.h"
#include "shellopen.h"
#include "splash.h"
#include "switches.h"
#include "tempstore.h"
#include "windowtesting.h"

#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QPlainTextEdit>
#include <QElapsedTimer>
#include <QWindow>

namespace quillon {

using namespace Qt::Literals::StringLiterals;
using testing::child;

// The offscreen desktop opens nothing: what it says about that is the reason.
TEST(ShellOpen, AFailureCarriesTheDesktopsReason)
{
    const Outcome opened = OpenWithAssociation(u"/dats/a.dat"_s);
    ASSERT_FALSE(opened);
    EXPECT_TRUE(opened.reason().contains(u"file:///dats/a.dat"_s)) << opened.reason().toStdString();
    EXPECT_FALSE(ShellOpen(u"https://example.org/"_s));
}

TEST(LogPane, AppendsExactlyAtTheEndWithALineBreakSplitBetweenChunksAsOne)
{
    QPlainTextEdit txtlog;
    txtlog.setPlainText(u"earlier\n"_s);
    txtlog.moveCursor(QTextCursor::Start);
    const LogSink sink = logPaneSink(&txtlog);
    LogTextDecoder decoder;
    for (const QByteArray& chunk : {QByteArray("  a "), QByteArray(" b\r"), QByteArray("\ntwo")})
        sink(decoder.decode(chunk));
    sink(decoder.finish());

    EXPECT_EQ(txtlog.toPlainText(), u"earlier\n  a  b\ntwo"_s);
    EXPECT_TRUE(txtlog.textCursor().atEnd());
}

TEST(RecentCombo, KeepsTheTypedTextUntilTheWindowIsActiveThenChoosesTheNewest)
{
    testing::TempStore temp;
    QComboBox combo;
    combo.setEditable(true);
    combo.setEditText(u"/typed.dat"_s);
    bool active = false;
    int chosen = 0;
    RecentCombo recent(temp.store(), mru::DestFile, &combo, active, [&chosen] { ++chosen; });

    recent.reload();
    EXPECT_EQ(combo.count(), 0) << "a list never used leaves the combo as it is";
    SaveMRU(temp.store(), mru::DestFile, {u"/a.dat"_s, u"/b.dat"_s});
    recent.reload();
    EXPECT_EQ(combo.count(), 2);
    EXPECT_EQ(combo.currentText(), u"/typed.dat"_s);
    EXPECT_EQ(chosen, 0);

    active = true;
    recent.add(u"/b.dat"_s);
    EXPECT_EQ(LoadMRU(temp.store(), mru::DestFile), (QStringList{u"/b.dat"_s, u"/a.dat"_s}));
    EXPECT_EQ(combo.currentText(), u"/b.dat"_s);
    EXPECT_EQ(chosen, 1);
}

namespace {

// Asks, checks the box while it is open, and answers by clicking `button`.
PromptAnswer askAndClick(DialogPrompter& prompter, const PromptMessage& message,
                         QMessageBox::StandardButton button, const std::function<void(QMessageBox&)>& check)
{
    const testing::ModalScript script = testing::onModal<QMessageBox>([&](QMessageBox& box) {
        check(box);
        box.button(button)->click();
    });
    return prompter.ask(message);
}

}  // namespace

TEST(DialogPrompter, ShowsTheBoxAsAskedCentredOnTheMainWindowEvenWhereItRunsOffScreen)
{
    EXPECT_EQ(centredTopLeft({100, 50, 801, 600}, {300, 151}), QPoint(351, 275)) << "halves round up";
    EXPECT_EQ(centredTopLeft({10, 10, 100, 100}, {300, 200}), QPoint(-90, -40));

    // Placed partly off the screen, where the toolkit would pull a box back on screen.
    QWidget mainWindow;
    mainWindow.setGeometry(500, 400, 801, 601);
    mainWindow.show();
    DialogPrompter prompter;
    prompter.setMainWindow(&mainWindow);
    const PromptMessage question{.text = u"Overwrite <b>game.dat</b>?"_s, .title = u"Warning..."_s,
                                 .icon = PromptIcon::Exclamation, .buttons = PromptButtons::YesNoCancel,
                                 .defaultAnswer = PromptAnswer::No};
    EXPECT_EQ(askAndClick(prompter, question, QMessageBox::Yes, [&](QMessageBox& box) {
        EXPECT_EQ(box.windowTitle(), u"Warning..."_s);
        EXPECT_EQ(box.text(), question.text);
        EXPECT_EQ(box.textFormat(), Qt::PlainText);
        EXPECT_EQ(box.icon(), QMessageBox::Warning);
        EXPECT_EQ(box.standardButtons(), QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        EXPECT_EQ(box.defaultButton(), box.button(QMessageBox::No));
        EXPECT_EQ(box.parentWidget(), &mainWindow);
    }), PromptAnswer::Yes);

    const PromptMessage done{.text = u"Done."_s, .centredOnMainWindow = true};
    EXPECT_EQ(askAndClick(prompter, done, QMessageBox::Ok, [&](QMessageBox& box) {
        EXPECT_EQ(box.windowTitle(), u"Quillon"_s);
        EXPECT_EQ(box.frameGeometry().topLeft(), centredTopLeft(mainWindow.frameGeometry(), box.frameGeometry().size()));
    }), PromptAnswer::Ok);
}

namespace {

frmSplash* visibleSplash()
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* splash = qobject_cast<frmSplash*>(widget); splash && splash->isVisible())
            return splash;
    return nullptr;
}

}  // namespace

TEST(BusyScope, DisablesMainWindowAndShowsSplashForItsLifetimeWhateverEscapeCancelOrAQuitDoes)
{
    QWidget mainWindow;
    mainWindow.show();
    int cancelled = 0;
    {
        BusyScope busy(&mainWindow, [&cancelled] { ++cancelled; });
        EXPECT_FALSE(mainWindow.isEnabled());
        frmSplash* splash = visibleSplash();
        ASSERT_NE(splash, nullptr);
        EXPECT_TRUE(child(*splash, "lblMsg").isEnabled()) << "not greyed out with the main window";
        EXPECT_EQ(splash->windowHandle()->transientParent(), mainWindow.windowHandle());

        auto& cmdCancel = child<QAbstractButton>(*splash, "cmdCancel");
        ASSERT_TRUE(cmdCancel.isVisible() && cmdCancel.isEnabled()) << "usable while the main window is disabled";
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(splash, &escape);
        EXPECT_EQ(cancelled, 1) << "Escape cancels as the button does";
        EXPECT_TRUE(splash->isVisible()) << "until the work has stopped";
        EXPECT_FALSE(cmdCancel.isEnabled());
        cmdCancel.click();
        QApplication::sendEvent(splash, &escape);
        EXPECT_EQ(cancelled, 1);

        QApplication::closeAllWindows();
        EXPECT_FALSE(splash->isVisible());
    }
    EXPECT_TRUE(mainWindow.isEnabled());
    BusyScope uncancellable(&mainWindow);
    ASSERT_NE(visibleSplash(), nullptr);
    EXPECT_FALSE(child(*visibleSplash(), "cmdCancel").isVisible()) << "this work cannot be stopped";
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(visibleSplash(), &escape);
    EXPECT_NE(visibleSplash(), nullptr);
    EXPECT_FALSE(child(*visibleSplash(), "barProgress").isVisible()) << "no progress told, none shown";
}

TEST(BusyScope, ShowsTheBarThePhaseAndTheTimeSinceTheWorkStarted)
{
    QWidget mainWindow;
    mainWindow.resize(487, 300);
    mainWindow.show();
    BusyScope busy(&mainWindow, [] {});
    frmSplash* splash = visibleSplash();
    ASSERT_NE(splash, nullptr);
    const QSize before = splash->size();

    busy.showProgress(-1, u"Reading the Dats..."_s);
    auto& bar = child<QProgressBar>(*splash, "barProgress");
    auto& phase = child<QLabel>(*splash, "lblPhase");
    auto& elapsed = child<QLabel>(*splash, "lblElapsed");
    ASSERT_TRUE(bar.isVisible() && phase.isVisible() && elapsed.isVisible());
    EXPECT_EQ(bar.maximum(), 0) << "a size not known: the bar only shows that work goes on";
    EXPECT_EQ(phase.text(), u"Reading the Dats..."_s);
    EXPECT_EQ(elapsed.text(), u"Elapsed time: 0:00"_s);
    EXPECT_GT(splash->height(), before.height()) << "the window grows to show it";

    busy.showProgress(42, u"Reading the Dats..."_s);
    EXPECT_EQ(bar.maximum(), 100);
    EXPECT_EQ(bar.value(), 42);
    busy.showProgress(95, u"Writing the diff Dat..."_s);
    EXPECT_EQ(bar.value(), 95);
    EXPECT_EQ(phase.text(), u"Writing the diff Dat..."_s);
    QElapsedTimer waited;
    waited.start();
    while (elapsed.text() == u"Elapsed time: 0:00"_s && !waited.hasExpired(3000))
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
    EXPECT_EQ(elapsed.text(), u"Elapsed time: 0:01"_s) << "the clock goes on between progress lines";

    // The README's picture of the window, when asked for.
    if (const QString folder = qEnvironmentVariable("QUILLON_SCREENSHOT_DIR"); !folder.isEmpty()) {
        busy.showProgress(63, u"Reading the Dats..."_s);
        EXPECT_TRUE(splash->grab().save(folder + u"/busy-progress.png"_s));
    }
}

TEST(ElapsedTimeText, ReadsAsAClock)
{
    EXPECT_EQ(ElapsedTimeText(0), u"0:00"_s);
    EXPECT_EQ(ElapsedTimeText(7), u"0:07"_s);
    EXPECT_EQ(ElapsedTimeText(754), u"12:34"_s);
    EXPECT_EQ(ElapsedTimeText(3599), u"59:59"_s);
    EXPECT_EQ(ElapsedTimeText(3723), u"1:02:03"_s);
}

class OptionsDialog : public ::testing::Test {
protected:
    bool isChecked(const char* name) { return child<QAbstractButton>(*dialog, name).isChecked(); }
    Qt::CheckState state(const char* name) { return child<QCheckBox>(*dialog, name).checkState(); }
    QLineEdit& folderBox() { return child<QLineEdit>(*dialog, "txtDatFolder"); }
    void open(const QByteArray& options)
    {
        temp.writeFileText("[Options]\n" + options);
        dialog = std::make_unique<frmOptions>(temp.store(), prompter);
    }
    void click(std::initializer_list<const char*> names)
    {
        for (const char* name : names)
            testing::click(*dialog, name);
    }
    QString saved(const SettingKey& key) { return SettingsStore(temp.path()).readString(key); }
    QString savedSwitches() { return BuildDiffSwitches(SettingsStore(temp.path())); }

    testing::TempStore temp;
    testing::ScriptedPrompter prompter;
    std::unique_ptr<frmOptions> dialog;
};

TEST_F(OptionsDialog, ShowsTheStoredValuesAndTheDefaultsForThoseItCannotShow)
{
    open("SetType=2\ndatType=3\nObject=1\nRomRenames=2\nNoDump=0\nDatFolderMode=1\nDatFolder=/dats\n"
         "MupltipleInstances=1\n");
    EXPECT_TRUE(isChecked("optSetType_2") && isChecked("optDatType_3") && isChecked("optObject_1"));
    EXPECT_TRUE(isChecked("optDatFolder_1"));
    EXPECT_EQ(state("chkRomRenames"), Qt::PartiallyChecked);
    EXPECT_EQ(state("chkNoDump"), Qt::Unchecked);
    EXPECT_EQ(state("chkMultipleInstance"), Qt::Checked);
    EXPECT_EQ(folderBox().text(), u"/dats"_s);
    EXPECT_TRUE(folderBox().isEnabled());

    open("SetType=7\nDatType=-1\nObject=x\nNoDump=5\n");
    EXPECT_TRUE(isChecked("optSetType_0") && isChecked("optDatType_1") && isChecked("optObject_0"));
    EXPECT_EQ(state("chkNoDump"), Qt::Checked);
}

TEST_F(OptionsDialog, CancelWritesNothingAndDefaultsThenSaveGiveTheDefaultSwitches)
{
    const QByteArray changed = "SetType=1\nDatType=3\nObject=2\nRomRenames=1\nNoDump=0\nNon-Separeted%20BIOS=1\n"
                               "ShowDiffResults=0\n";
    open(changed);
    const QByteArray before = temp.fileText();
    click({"optSetType_2", "cmdDefaults", "cmdCancel"});
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
    EXPECT_EQ(temp.fileText(), before);

    open(changed);
    click({"cmdDefaults", "cmdSave"});
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(savedSwitches(), u"-s -d2 -z"_s);
    EXPECT_EQ(saved(keys::SearchWholeFile), u"0"_s);
    EXPECT_EQ(saved(keys::ShowDiffResults), u"1"_s) << "results are shown by default";
}

TEST_F(OptionsDialog, SaveWritesEveryOptionAndKeepsTheTextOfADisabledFolderBox)
{
    open("Non-Separeted%20BIOS=2\nDatFolderMode=1\nDatFolder=/dats/mame\n");
    click({"optSetType_2", "optDatType_2", "optObject_2", "chkRomRenames", "chkCMPHeaderSearch"});
    prompter.chooseNext(u"/other/dats"_s);
    click({"cmdBrowse", "cmdBrowse"});
    EXPECT_EQ(folderBox().text(), u"/other/dats"_s) << "a cancelled choice changes nothing";
    click({"optDatFolder_0"});
    EXPECT_FALSE(folderBox().isEnabled() || child(*dialog, "cmdBrowse").isEnabled());
    click({"cmdSave"});

    EXPECT_EQ(savedSwitches(), u"-n -d3 -o sample -r -z"_s);
    EXPECT_EQ(saved(keys::NonSeparatedBios), u"2"_s) << "a grey box stays grey";
    EXPECT_EQ(saved(keys::SearchWholeFile), u"1"_s);
    EXPECT_EQ(saved(keys::DatFolder), u"/other/dats"_s);
    EXPECT_EQ(saved(keys::DatFolderMode), u"0"_s);
}

}  // namespace quillon
