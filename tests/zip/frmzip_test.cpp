#include "frmzip.h"
#include "scriptedprompter.h"
#include "testfiles.h"
#include "utilities.h"
#include "windowtesting.h"
#include "ziptestfiles.h"

#include <QDir>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace quillon {
namespace {

using namespace Qt::Literals::StringLiterals;
using namespace testing;

// Temporary files go to a private folder of the test's own, so it can see every one it leaves.
class ZipWindow : public ::testing::Test {
protected:
    ZipWindow() { qputenv("XDG_RUNTIME_DIR", temp_.path().toLocal8Bit()); }
    ~ZipWindow() override { qunsetenv("XDG_RUNTIME_DIR"); }

    QString path(const char* name) const { return archives_.filePath(QString::fromUtf8(name)); }
    QStringList tempFiles() const { return QDir(GetTempFolder()).entryList(QDir::Files | QDir::Hidden); }
    static QTreeWidget& list(frmZip& window) { return child<QTreeWidget>(window, u"lsvZipContents"_s); }
    QString select(const char* zip, const QString& title = {}) { return zipWindow.SelectDat(path(zip), title, &item); }

    ScriptedPrompter prompter;
    frmZip zipWindow{prompter};
    QString item = u"stale"_s;

private:
    QTemporaryDir temp_;
    QTemporaryDir archives_;
};

TEST_F(ZipWindow, ALoneDatIsTakenWithoutShowingTheWindow)
{
    ASSERT_TRUE(makeZip(path("one.zip"), {{"game.DAT", "clrmamepro (\r\n)\r\n"}}));
    QTimer::singleShot(0, [] {
        if (auto* shown = qobject_cast<frmZip*>(QApplication::activeModalWidget())) {
            ADD_FAILURE() << "the window was shown";
            shown->reject();
        }
    });
    const QString file = select("one.zip");
    EXPECT_EQ(item, u"game.DAT"_s);
    EXPECT_EQ(readAll(file), "clrmamepro (\r\n)\r\n");
    EXPECT_TRUE(QFileInfo(file).fileName().startsWith(u"dat"_s) && file.endsWith(u".tmp"_s)) << file.toStdString();
    EXPECT_EQ(tempFiles(), QStringList{QFileInfo(file).fileName()});
}

// For a reader that opens the archive itself the window only names the entry picked.
TEST_F(ZipWindow, ChoosingAnEntryToReadInPlaceTakesNothingOut)
{
    ASSERT_TRUE(makeZip(path("one.zip"), {{"game.DAT", "clrmamepro (\r\n)\r\n"}}));
    EXPECT_EQ(zipWindow.SelectEntry(path("one.zip")), u"game.DAT"_s) << "a lone DAT is taken without asking";
    ASSERT_TRUE(makeZip(path("two.zip"), {{"old.dat", "first"}, {"new.dat", "second"}}));
    const auto script = testing::onModal<frmZip>([](frmZip& window) {
        list(window).topLevelItem(1)->setSelected(true);
        click(window, u"cmdSelect"_s);
    });
    EXPECT_EQ(zipWindow.SelectEntry(path("two.zip"), u"Select the dat to compare with..."_s), u"new.dat"_s);
    EXPECT_TRUE(tempFiles().isEmpty());
}

// setdelta's rule: the DAT is the one file named .dat or .xml, or the one file where none is.
TEST_F(ZipWindow, TheOneDatAmongOtherFilesIsTakenWithoutAskingButTwoOthersAreAsked)
{
    ASSERT_TRUE(makeZip(path("mixed.zip"), {{"sub/", {}}, {"readme.txt", "hello"}, {"list.xml", "<datafile/>"}}));
    EXPECT_EQ(zipWindow.SelectEntry(path("mixed.zip")), u"list.xml"_s);
    ASSERT_TRUE(makeZip(path("text.zip"), {{"mame.txt", "clrmamepro ( )"}}));
    EXPECT_EQ(zipWindow.SelectEntry(path("text.zip")), u"mame.txt"_s);
}

TEST_F(ZipWindow, TwoOtherFilesShowTheWindowAndCancelLeavesNothing)
{
    ASSERT_TRUE(makeZip(path("readme.zip"), {{"readme.txt", "hello"}, {"notes.txt", "more"}}));
    const auto script = testing::onModal<frmZip>([](frmZip& window) {
        EXPECT_EQ(window.windowTitle(), u"Select the source dat..."_s);
        EXPECT_FALSE(child<QPushButton>(window, u"cmdSelect"_s).isEnabled()) << "new rows are not selected";
        click(window, u"cmdCancel"_s);
    });
    EXPECT_EQ(select("readme.zip", u"Select the source dat..."_s), QString());
    EXPECT_EQ(item, QString());
    EXPECT_TRUE(tempFiles().isEmpty());
}

// A folder row is never taken; of two entries of one name, the row picked is the entry taken.
TEST_F(ZipWindow, RowsAreTakenByTheirEntryNotTheirName)
{
    ASSERT_TRUE(makeZip(path("two.zip"), {{"sub/", {}}, {"game.dat", "first", true}, {"gXme.dat", "other", true}}));
    testing::writeFile(path("two.zip"), readAll(path("two.zip")).replace("gXme.dat", "game.dat"));
    const auto script = testing::onModal<frmZip>([](frmZip& window) {
        QTreeWidgetItem* folder = list(window).topLevelItem(0);
        EXPECT_EQ(folder->text(1), u"<dir>"_s);
        folder->setSelected(true);
        click(window, u"cmdSelect"_s);
        EXPECT_TRUE(window.isVisible()) << "a folder row is not taken";
        list(window).topLevelItem(2)->setSelected(true);
        emit list(window).itemDoubleClicked(list(window).topLevelItem(2), 0);
    });
    EXPECT_EQ(readAll(select("two.zip")), "other");
    EXPECT_EQ(item, u"game.dat"_s);
}

TEST_F(ZipWindow, FailuresAreReportedWithTheirReasonAndLeaveNoTemporaryFile)
{
    testing::writeFile(path("bad.zip"), "PK\x03\x04 but nothing else");
    EXPECT_EQ(select("bad.zip"), QString());
    EXPECT_EQ(item, QString());
    EXPECT_EQ(prompter.messages().value(0), (PromptMessage{.text = path("bad.zip") + u"\nThe file could be corrupted.\n\n"_s
                                                               + path("bad.zip") + u": Not a zip archive"_s,
                                                           .title = u"File Info"_s, .icon = PromptIcon::Critical}));
    ASSERT_TRUE(makeZip(path("liar.zip"), {{"game.dat", QByteArray(5000, 'x')}}) && testing::setDeclaredSize(path("liar.zip"), 100));
    EXPECT_EQ(select("liar.zip"), QString());
    EXPECT_EQ(item, QString());
    EXPECT_EQ(prompter.texts().value(1), path("liar.zip") + u"\nThe entry holds more data than the 100 bytes it declares; the archive is damaged."_s);
    EXPECT_TRUE(tempFiles().isEmpty());
}

TEST_F(ZipWindow, CancelStopsTheExtractionAndLeavesNoTemporaryFile)
{
    ASSERT_TRUE(makeZip(path("a.zip"), {{"game.dat", QByteArray(4 << 20, 'g')}}));
    QTimer::singleShot(0, [] {
        if (auto* progress = qobject_cast<frmZipProgress*>(QApplication::activeModalWidget()))
            click(*progress, u"cmdCancel"_s);
    });
    zipWindow.ExtractTempFile(path("a.zip"), ListZip(path("a.zip"))->at(0));
    EXPECT_TRUE(zipWindow.tempFile().isEmpty() && zipWindow.item().isEmpty());
    EXPECT_TRUE(prompter.messages().isEmpty()) << "the user's own choice needs no message";
    EXPECT_TRUE(tempFiles().isEmpty());
    for (QWidget* widget : QApplication::topLevelWidgets())
        EXPECT_FALSE(qobject_cast<frmZipProgress*>(widget) && widget->isVisible()) << "the bar goes with the extraction";
}

}  // namespace
}  // namespace quillon
