#include "frmzip.h"
#include "scriptedprompter.h"
#include "testfiles.h"
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
using testing::child;
using testing::click;
using testing::makeZip;
using testing::onModal;
using testing::readAll;
using testing::ScriptedPrompter;

// Temporary files go to a folder of the test's own, so it can see every one it leaves.
class ZipWindow : public ::testing::Test {
protected:
    ZipWindow() : oldTemp_(qgetenv("TMPDIR")) { qputenv("TMPDIR", temp_.path().toLocal8Bit()); }
    ~ZipWindow() override { qputenv("TMPDIR", oldTemp_); }

    QString path(const QString& name) const { return archives_.filePath(name); }
    QStringList tempFiles() const { return QDir(temp_.path()).entryList(QDir::Files | QDir::Hidden); }
    static QTreeWidget& list(frmZip& window) { return child<QTreeWidget>(window, u"lsvZipContents"_s); }

    ScriptedPrompter prompter;
    frmZip zipWindow{prompter};
    QString item = u"stale"_s;

private:
    QTemporaryDir temp_;
    QTemporaryDir archives_;
    QByteArray oldTemp_;
};

TEST_F(ZipWindow, ALoneDatIsTakenWithoutShowingTheWindow)
{
    ASSERT_TRUE(makeZip(path(u"one.zip"_s), {{u"game.DAT"_s, "clrmamepro (\r\n)\r\n"}}));
    QTimer::singleShot(0, [] {
        if (auto* shown = qobject_cast<frmZip*>(QApplication::activeModalWidget())) {
            ADD_FAILURE() << "the window was shown";
            shown->reject();
        }
    });
    const QString file = zipWindow.SelectDat(path(u"one.zip"_s), {}, &item);
    EXPECT_EQ(item, u"game.DAT"_s);
    EXPECT_EQ(readAll(file), "clrmamepro (\r\n)\r\n");
    EXPECT_TRUE(QFileInfo(file).fileName().startsWith(u"dat"_s) && file.endsWith(u".tmp"_s)) << file.toStdString();
    EXPECT_EQ(tempFiles(), QStringList{QFileInfo(file).fileName()});
}

TEST_F(ZipWindow, ALoneOtherFileShowsTheWindowAndCancelLeavesNothing)
{
    ASSERT_TRUE(makeZip(path(u"readme.zip"_s), {{u"readme.txt"_s, "hello"}}));
    const auto script = onModal<frmZip>([](frmZip& window) {
        EXPECT_EQ(window.windowTitle(), u"Select the source dat..."_s);
        EXPECT_FALSE(child<QPushButton>(window, u"cmdSelect"_s).isEnabled()) << "new rows are not selected";
        click(window, u"cmdCancel"_s);
    });
    EXPECT_EQ(zipWindow.SelectDat(path(u"readme.zip"_s), u"Select the source dat..."_s, &item), QString());
    EXPECT_EQ(item, QString());
    EXPECT_TRUE(tempFiles().isEmpty());
}

// A folder row is never taken; of two entries of one name, the row picked is the entry taken.
TEST_F(ZipWindow, RowsAreTakenByTheirEntryNotTheirName)
{
    ASSERT_TRUE(makeZip(path(u"two.zip"_s), {{u"sub/"_s, {}}, {u"game.dat"_s, "first", true}, {u"gXme.dat"_s, "other", true}}));
    testing::writeFile(path(u"two.zip"_s), readAll(path(u"two.zip"_s)).replace("gXme.dat", "game.dat"));
    const auto script = onModal<frmZip>([](frmZip& window) {
        QTreeWidgetItem* folder = list(window).topLevelItem(0);
        EXPECT_EQ(folder->text(1), u"<dir>"_s);
        folder->setSelected(true);
        click(window, u"cmdSelect"_s);
        EXPECT_TRUE(window.isVisible()) << "a folder row is not taken";
        QTreeWidgetItem* second = list(window).topLevelItem(2);
        second->setSelected(true);
        emit list(window).itemDoubleClicked(second, 0);
    });
    EXPECT_EQ(readAll(zipWindow.SelectDat(path(u"two.zip"_s), {}, &item)), "other");
    EXPECT_EQ(item, u"game.dat"_s);
}

TEST_F(ZipWindow, ColumnsShowSizeCrcAndDate)
{
    ASSERT_TRUE(makeZip(path(u"cols.zip"_s), {{u"empty.dat"_s, {}, true},
                                              {u"crc.dat"_s, "crc1938", true},
                                              {u"big.dat"_s, QByteArray(5000, 'x').append("\x01\x02", 2), true}}));
    zipWindow.setZipFile(path(u"cols.zip"_s));
    ASSERT_TRUE(zipWindow.OpenZip());
    const auto cell = [this](int row, int column) { return list(zipWindow).topLevelItem(row)->text(column); };
    EXPECT_EQ(cell(0, 1), QString()) << "a compressed size of 0 shows nothing";
    EXPECT_EQ(cell(0, 2), u"00000000"_s);
    EXPECT_EQ(cell(0, 3), QLocale().toString(QDateTime::fromSecsSinceEpoch(946684800), QLocale::ShortFormat));
    EXPECT_EQ(cell(1, 2), u"000EB424"_s) << "zero-padded upper-case hexadecimal";
    EXPECT_EQ(cell(2, 1), u"5"_s + QLocale().groupSeparator() + u"002"_s) << "with thousands separators";
}

TEST_F(ZipWindow, FailuresAreReportedWithTheirReasonAndLeaveNoTemporaryFile)
{
    testing::writeFile(path(u"bad.zip"_s), "PK\x03\x04 but nothing else");
    EXPECT_EQ(zipWindow.SelectDat(path(u"bad.zip"_s), {}, &item), QString());
    EXPECT_EQ(item, QString());
    EXPECT_EQ(prompter.messages().value(0), (PromptMessage{.text = path(u"bad.zip"_s) + u"\nThe file could be corrupted."_s,
                                                           .title = u"File Info"_s,
                                                           .icon = PromptIcon::Critical}));

    QByteArray body;
    for (int index = 0; index < 20000; ++index)
        body += "rom ( name r" + QByteArray::number(index) + " )\r\n";
    ASSERT_TRUE(makeZip(path(u"damaged.zip"_s), {{u"game.dat"_s, body}}));
    QByteArray archive = readAll(path(u"damaged.zip"_s));
    for (qsizetype index = 200; index < 600; ++index)
        archive[index] = static_cast<char>(archive[index] ^ 0x5a);
    testing::writeFile(path(u"damaged.zip"_s), archive);
    EXPECT_EQ(zipWindow.SelectDat(path(u"damaged.zip"_s), {}, &item), QString());
    EXPECT_EQ(item, QString());
    ASSERT_EQ(prompter.messages().size(), 2) << "the reason is shown";
    EXPECT_TRUE(prompter.texts().last().startsWith(path(u"damaged.zip"_s) + u"\n"_s));
    EXPECT_TRUE(tempFiles().isEmpty());
}

TEST_F(ZipWindow, CancelStopsTheExtractionAndLeavesNoTemporaryFile)
{
    ASSERT_TRUE(makeZip(path(u"a.zip"_s), {{u"game.dat"_s, QByteArray(4 << 20, 'g')}}));
    QTimer::singleShot(0, [] {
        if (auto* progress = qobject_cast<frmZipProgress*>(QApplication::activeModalWidget()))
            click(*progress, u"cmdCancel"_s);
    });
    zipWindow.ExtractTempFile(path(u"a.zip"_s), ListZip(path(u"a.zip"_s))->at(0));
    EXPECT_EQ(zipWindow.tempFile(), QString());
    EXPECT_EQ(zipWindow.item(), QString());
    EXPECT_TRUE(prompter.messages().isEmpty()) << "the user's own choice needs no message";
    EXPECT_TRUE(tempFiles().isEmpty());
    for (QWidget* widget : QApplication::topLevelWidgets())
        EXPECT_FALSE(qobject_cast<frmZipProgress*>(widget) && widget->isVisible()) << "the bar goes with the extraction";
}

}  // namespace
}  // namespace quillon
