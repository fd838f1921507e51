#include "frmzip.h"
#include "scriptedprompter.h"
#include "testfiles.h"
#include "ziptestfiles.h"

#include <QApplication>
#include <QDir>
#include <QHeaderView>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <functional>

namespace quillon {
namespace {

using testing::makeZip;
using testing::readAll;
using testing::ScriptedPrompter;
using testing::writeFile;

// Temporary files go to a folder of the test's own, so it can see every one it leaves.
class ZipWindow : public ::testing::Test {
protected:
    ZipWindow() : oldTemp_(qgetenv("TMPDIR")) { qputenv("TMPDIR", temp_.path().toLocal8Bit()); }
    ~ZipWindow() override { qputenv("TMPDIR", oldTemp_); }

    QString path(const QString& name) const { return archives_.filePath(name); }
    QStringList tempFiles() const { return QDir(temp_.path()).entryList(QDir::Files); }

    // Runs SelectDat; `act` runs on the window if it shows, and `shown` says whether it did.
    QString select(const QString& zip, const std::function<void(frmZip&)>& act, QString* item = nullptr)
    {
        shown = false;
        QTimer::singleShot(0, [&] {
            auto* window = qobject_cast<frmZip*>(QApplication::activeModalWidget());
            if (!window)
                return;
            shown = true;
            act(*window);
            if (window->isVisible()) {
                ADD_FAILURE() << "the window is still open";
                window->reject();
            }
        });
        const QString result = zipWindow.SelectDat(zip, title, item);
        QCoreApplication::processEvents();  // the timer of a window that never showed
        return result;
    }

    ScriptedPrompter prompter;
    frmZip zipWindow{prompter};
    QString title;
    bool shown = false;

private:
    QTemporaryDir temp_;
    QTemporaryDir archives_;
    QByteArray oldTemp_;
};

QTreeWidget* list(frmZip& window)
{
    return window.findChild<QTreeWidget*>(QStringLiteral("lsvZipContents"));
}

QPushButton* button(frmZip& window, const char* name)
{
    return window.findChild<QPushButton*>(QString::fromLatin1(name));
}

QStringList rowTexts(frmZip& window, int row)
{
    QStringList texts;
    for (int column = 0; column < 4; ++column)
        texts.append(list(window)->topLevelItem(row)->text(column));
    return texts;
}

TEST_F(ZipWindow, ALoneDatIsTakenWithoutShowingTheWindow)
{
    ASSERT_TRUE(makeZip(path("one.zip"), {{"game.DAT", "clrmamepro (\r\n)\r\n"}}));
    QString item;
    const QString file = select(path("one.zip"), [](frmZip&) {}, &item);
    EXPECT_FALSE(shown);
    EXPECT_EQ(item, "game.DAT");
    EXPECT_EQ(readAll(file), "clrmamepro (\r\n)\r\n");
    EXPECT_TRUE(QFileInfo(file).fileName().startsWith("dat"));
    EXPECT_TRUE(file.endsWith(".tmp"));
    EXPECT_EQ(tempFiles(), QStringList{QFileInfo(file).fileName()});
}

TEST_F(ZipWindow, ALoneOtherFileShowsTheWindowAndCancelLeavesNothing)
{
    ASSERT_TRUE(makeZip(path("readme.zip"), {{"readme.txt", "hello"}}));
    title = "Select the source dat...";
    QString item = "stale";
    QString caption;
    const QString file = select(path("readme.zip"), [&](frmZip& window) {
        caption = window.windowTitle();
        EXPECT_FALSE(button(window, "cmdSelect")->isEnabled());
        EXPECT_EQ(list(window)->selectedItems().size(), 0) << "new rows are not selected";
        button(window, "cmdCancel")->click();
    }, &item);
    EXPECT_TRUE(shown);
    EXPECT_EQ(caption, "Select the source dat...");
    EXPECT_EQ(file, "");
    EXPECT_EQ(item, "");
    EXPECT_TRUE(tempFiles().isEmpty());
}

TEST_F(ZipWindow, FolderRowsShowDirAndCannotBeSelected)
{
    ASSERT_TRUE(makeZip(path("two.zip"), {{"sub/", {}}, {"sub/game.dat", "body"}}));
    QString item;
    const QString file = select(path("two.zip"), [](frmZip& window) {
        EXPECT_EQ(window.windowTitle(), "Zip Contents");
        ASSERT_EQ(list(window)->topLevelItemCount(), 2);
        const QTreeWidgetItem* folder = list(window)->topLevelItem(0);
        EXPECT_EQ(folder->text(1), "<dir>");
        EXPECT_EQ(folder->data(0, Qt::UserRole).toString(), "FOLDER");
        EXPECT_EQ(list(window)->topLevelItem(1)->data(0, Qt::UserRole).toString(), ".DAT");

        list(window)->topLevelItem(0)->setSelected(true);
        EXPECT_TRUE(button(window, "cmdSelect")->isEnabled());
        button(window, "cmdSelect")->click();
        EXPECT_TRUE(window.isVisible()) << "a folder row is not taken";
        list(window)->topLevelItem(1)->setSelected(true);
        button(window, "cmdSelect")->click();
    }, &item);
    EXPECT_TRUE(shown);
    EXPECT_EQ(item, "sub/game.dat");
    EXPECT_EQ(readAll(file), "body");
}

TEST_F(ZipWindow, ColumnsShowSizeCrcAndDate)
{
    ASSERT_TRUE(makeZip(path("cols.zip"), {{"empty.dat", {}, true},
                                           {"crc.dat", "crc1938", true},
                                           {"big.dat", QByteArray(5000, 'x').append("\x01\x02", 2), true}}));
    zipWindow.setZipFile(path("cols.zip"));
    ASSERT_TRUE(zipWindow.OpenZip());
    const QStringList empty = rowTexts(zipWindow, 0);
    EXPECT_EQ(empty[0], "empty.dat");
    EXPECT_EQ(empty[1], "") << "a compressed size of 0 shows nothing";
    EXPECT_EQ(empty[2], "00000000");
    EXPECT_EQ(empty[3], QLocale().toString(QDateTime::fromSecsSinceEpoch(946684800), QLocale::ShortFormat));
    EXPECT_EQ(rowTexts(zipWindow, 1)[2], "000EB424") << "zero-padded upper-case hexadecimal";
    EXPECT_EQ(rowTexts(zipWindow, 2)[1], "5" + QLocale().groupSeparator() + "002") << "with thousands separators";
    const QStringList headers = {"File Name", "Compressed Size", "CRC32", "Last Mod"};
    for (int column = 0; column < 4; ++column)
        EXPECT_EQ(list(zipWindow)->headerItem()->text(column), headers[column]);
    EXPECT_EQ(list(zipWindow)->columnWidth(0), 300);
}

TEST_F(ZipWindow, ADamagedArchiveIsReportedAsFileInfo)
{
    writeFile(path("bad.zip"), "PK\x03\x04 but nothing else");
    QString item = "stale";
    EXPECT_EQ(select(path("bad.zip"), [](frmZip&) {}, &item), "");
    EXPECT_FALSE(shown);
    EXPECT_EQ(item, "");
    ASSERT_EQ(prompter.messages().size(), 1);
    const PromptMessage& message = prompter.messages().front();
    EXPECT_EQ(message.text, path("bad.zip") + "\nThe file could be corrupted.");
    EXPECT_EQ(message.title, "File Info");
    EXPECT_EQ(message.icon, PromptIcon::Critical);
}

TEST_F(ZipWindow, AFailedExtractionGivesNothingAndDeletesItsTemporaryFile)
{
    QByteArray body;
    for (int index = 0; index < 20000; ++index)
        body += "rom ( name r" + QByteArray::number(index) + " )\r\n";
    ASSERT_TRUE(makeZip(path("a.zip"), {{"game.dat", body}}));
    QByteArray archive = readAll(path("a.zip"));
    for (qsizetype index = 200; index < 600; ++index)
        archive[index] = static_cast<char>(archive[index] ^ 0x5a);
    writeFile(path("damaged.zip"), archive);

    QString item = "stale";
    EXPECT_EQ(select(path("damaged.zip"), [](frmZip&) {}, &item), "");
    EXPECT_EQ(item, "");
    ASSERT_EQ(prompter.messages().size(), 1) << "the reason is shown";
    EXPECT_EQ(prompter.messages().front().title, "File Info");
    EXPECT_TRUE(prompter.messages().front().text.startsWith(path("damaged.zip") + "\n"));
    EXPECT_TRUE(tempFiles().isEmpty());

    zipWindow.ExtractTempFile(path("a.zip"), "other.dat");
    EXPECT_EQ(zipWindow.tempFile(), "") << "no such entry";
    EXPECT_EQ(prompter.texts().last(), path("a.zip") + "\n" + path("a.zip") + ": there is no file entry named other.dat.");
    EXPECT_TRUE(tempFiles().isEmpty());
}

TEST_F(ZipWindow, TheProgressWindowShowsOnlyWhileExtracting)
{
    ASSERT_TRUE(makeZip(path("a.zip"), {{"game.dat", QByteArray(2 << 20, 'g')}}));
    zipWindow.ExtractTempFile(path("a.zip"), "game.dat");
    EXPECT_EQ(zipWindow.item(), "game.dat");
    EXPECT_EQ(QFileInfo(zipWindow.tempFile()).size(), 2 << 20);
    for (QWidget* widget : QApplication::topLevelWidgets())
        EXPECT_FALSE(widget->objectName() == "frmZipProgress" && widget->isVisible());
}

TEST_F(ZipWindow, CancelStopsTheExtractionAndLeavesNoTemporaryFile)
{
    ASSERT_TRUE(makeZip(path("a.zip"), {{"game.dat", QByteArray(4 << 20, 'g')}}));
    QTimer::singleShot(0, [] {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (widget->objectName() == "frmZipProgress" && widget->isVisible())
                widget->findChild<QPushButton*>("cmdCancel")->click();
    });
    zipWindow.ExtractTempFile(path("a.zip"), "game.dat");
    EXPECT_EQ(zipWindow.tempFile(), "");
    EXPECT_EQ(zipWindow.item(), "");
    EXPECT_TRUE(prompter.messages().isEmpty()) << "the user's own choice needs no message";
    EXPECT_TRUE(tempFiles().isEmpty());
}

TEST_F(ZipWindow, DoubleClickTakesTheRowAndHeadersAreNotCut)
{
    ASSERT_TRUE(makeZip(path("two.zip"), {{"readme.txt", "hello"}, {"game.dat", "body"}}));
    QString item;
    const QString file = select(path("two.zip"), [](frmZip& window) {
        QHeaderView* header = list(window)->header();
        for (int column = 0; column < 4; ++column)
            EXPECT_GE(list(window)->columnWidth(column), header->sectionSizeHint(column)) << column;
        QTreeWidgetItem* row = list(window)->topLevelItem(1);
        row->setSelected(true);
        emit list(window)->itemDoubleClicked(row, 0);
    }, &item);
    EXPECT_EQ(item, "game.dat");
    EXPECT_EQ(readAll(file), "body");
}

}  // namespace
}  // namespace quillon
