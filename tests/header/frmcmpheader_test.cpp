#include "frmcmpheader.h"
#include "mru.h"
#include "scriptedprompter.h"
#include "settingkeys.h"
#include "tempstore.h"
#include "testfiles.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace quillon {
namespace {

using testing::readAll;
using testing::ScriptedPrompter;
using testing::writeFile;

// Each test gets a temporary folder of its own, so it can see every header file it leaves.
class HeaderEditor : public ::testing::Test {
protected:
    HeaderEditor() : oldTemp_(qgetenv("TMPDIR")) { qputenv("TMPDIR", temp_.path().toLocal8Bit()); }
    ~HeaderEditor() override { qputenv("TMPDIR", oldTemp_); }

    SettingsStore& store() { return settings_.store(); }
    QStringList tempFiles() const { return QDir(temp_.path()).entryList(QDir::Files); }

    ScriptedPrompter prompter_;

    // Runs `act` on the editor once it shows modally, and returns what GetCMPHeaderFile returned.
    QString runEditor(const std::function<void(frmCMPHeader&)>& act, const QString& dat = QString())
    {
        QTimer::singleShot(0, [&] {
            auto* editor = qobject_cast<frmCMPHeader*>(QApplication::activeModalWidget());
            if (!editor) {
                ADD_FAILURE() << "the editor is not shown modally";
                return;
            }
            act(*editor);
            if (editor->isVisible()) {
                ADD_FAILURE() << "the editor is still open";
                editor->reject();
            }
        });
        return frmCMPHeader::GetCMPHeaderFile(store(), prompter_, nullptr, dat);
    }

    QString datWith(const QByteArray& content)
    {
        const QString path = dats_.filePath("in.dat");
        writeFile(path, content);
        return path;
    }

private:
    QTemporaryDir temp_;
    QTemporaryDir dats_;
    QByteArray oldTemp_;
    testing::TempStore settings_;
};

template <typename Widget>
Widget* control(QWidget& editor, const char* name)
{
    auto* widget = editor.findChild<Widget*>(QString::fromLatin1(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
}

QString text(QWidget& editor, const char* name)
{
    if (auto* combo = editor.findChild<QComboBox*>(QString::fromLatin1(name)))
        return combo->currentText();
    return control<QLineEdit>(editor, name)->text();
}

void setText(QWidget& editor, const char* name, const QString& value)
{
    if (auto* combo = editor.findChild<QComboBox*>(QString::fromLatin1(name)))
        combo->setEditText(value);
    else
        control<QLineEdit>(editor, name)->setText(value);
}

void click(QWidget& editor, const char* name)
{
    control<QPushButton>(editor, name)->click();
}

TEST_F(HeaderEditor, OpensEmptyWithStandardCategoryAndSaveNeedsNameAndDescription)
{
    AddToMRU(store(), mru::HeaderName, "Older");
    AddToMRU(store(), mru::HeaderName, "Newest");
    frmCMPHeader editor(store(), prompter_);
    EXPECT_EQ(editor.windowTitle(), "ClrMame Pro Header");
    for (const char* box : {"cboHeaderName", "cboHeaderDesc", "txtHeaderVersion", "cboHeaderAuthor",
                            "txtHeaderComment"})
        EXPECT_EQ(text(editor, box), "") << box;
    EXPECT_EQ(control<QComboBox>(editor, "cboHeaderName")->count(), 2) << "the list is filled";
    EXPECT_EQ(text(editor, "cboHeaderCat"), "Standard DatFile");
    auto* cmdSave = control<QPushButton>(editor, "cmdSave");
    EXPECT_FALSE(cmdSave->isEnabled());
    setText(editor, "cboHeaderName", "X");
    EXPECT_FALSE(cmdSave->isEnabled());
    setText(editor, "cboHeaderDesc", "Y");
    EXPECT_TRUE(cmdSave->isEnabled());
    click(editor, "cmdDefaults");
    EXPECT_EQ(text(editor, "cboHeaderName"), "");
    EXPECT_EQ(text(editor, "cboHeaderCat"), "Standard DatFile");
    EXPECT_FALSE(cmdSave->isEnabled());
}

TEST_F(HeaderEditor, SavesTheBoxesAsAHeaderFileAndRemembersThem)
{
    store().write(keys::HeaderAuthor, "someone before");
    AddToMRU(store(), mru::HeaderAuthor, "Keeper");
    const QString file = runEditor([](frmCMPHeader& editor) {
        setText(editor, "cboHeaderName", "X");
        setText(editor, "cboHeaderDesc", "Y");
        setText(editor, "txtHeaderVersion", "0.1");
        setText(editor, "txtHeaderComment", "c");
        control<QComboBox>(editor, "cboHeaderCat")->setCurrentIndex(1);
        click(editor, "cmdSave");
    });
    ASSERT_FALSE(file.isEmpty());
    EXPECT_TRUE(QFileInfo(file).fileName().startsWith("cmh"));
    EXPECT_EQ(tempFiles(), QStringList{QFileInfo(file).fileName()});
    EXPECT_EQ(readAll(file), "clrmamepro (\r\n\tname \"X\"\r\n\tdescription \"Y\"\r\n"
                             "\tcategory \"FIXDATFILE\"\r\n\tversion \"0.1\"\r\n\tauthor \r\n"
                             "\tcomment \"c\"\r\n)\r\n");
    EXPECT_EQ(LoadMRU(store(), mru::HeaderName).value(0), "X");
    EXPECT_EQ(LoadMRU(store(), mru::HeaderDesc).value(0), "Y");
    EXPECT_EQ(LoadMRU(store(), mru::HeaderAuthor), QStringList{"Keeper"}) << "an empty author is not listed";
    EXPECT_EQ(store().readString(keys::HeaderAuthor), "");
}

TEST_F(HeaderEditor, FillsFromTheDatAndKeepsItsCategoryAsItStands)
{
    const QString dat = datWith("clrmamepro (\r\n\tname \"N\"\r\n\tdescription \"D\"\r\n"
                                "\tcategory \"FIXDATFILE\"\r\n\tauthor \"A\"\r\n)\r\n");
    QString shownCategory;
    const QString file = runEditor(
        [&](frmCMPHeader& editor) {
            shownCategory = text(editor, "cboHeaderCat");
            EXPECT_EQ(text(editor, "cboHeaderAuthor"), "A");
            EXPECT_TRUE(control<QPushButton>(editor, "cmdSave")->isEnabled());
            click(editor, "cmdSave");
        },
        dat);
    EXPECT_EQ(shownCategory, "FIXDATFILE");
    EXPECT_TRUE(readAll(file).contains("\tcategory \"FIXDATFILE\"\r\n"));
    EXPECT_EQ(store().readString(keys::HeaderAuthor), "A");
}

TEST_F(HeaderEditor, ADatWithoutHeaderEmptiesEveryBoxTheCategoryToo)
{
    runEditor(
        [](frmCMPHeader& editor) {
            EXPECT_EQ(text(editor, "cboHeaderCat"), "");
            EXPECT_EQ(text(editor, "cboHeaderName"), "");
            click(editor, "cmdCancel");
        },
        datWith("game (\r\n)\r\n"));
}

TEST_F(HeaderEditor, CancelAndTheCloseBoxReturnNothingAndLeaveNoFile)
{
    EXPECT_EQ(runEditor([](frmCMPHeader& editor) {
                  setText(editor, "cboHeaderName", "X");
                  setText(editor, "cboHeaderDesc", "Y");
                  click(editor, "cmdCancel");
              }),
              "");
    EXPECT_EQ(runEditor([](frmCMPHeader& editor) {
                  setText(editor, "cboHeaderName", "X");
                  setText(editor, "cboHeaderDesc", "Y");
                  editor.close();
              }),
              "");
    EXPECT_TRUE(tempFiles().isEmpty());
    EXPECT_EQ(LoadMRU(store(), mru::HeaderName), QStringList{""});
}

TEST_F(HeaderEditor, PickingAnOlderEntryMakesItTheNewest)
{
    for (const char* value : {"C", "B", "A"})
        AddToMRU(store(), mru::HeaderDesc, value);
    runEditor([](frmCMPHeader& editor) {
        auto* combo = control<QComboBox>(editor, "cboHeaderDesc");
        combo->setCurrentIndex(2);
        emit combo->activated(2);
        EXPECT_EQ(combo->currentText(), "C") << "the open window shows the picked entry first";
        EXPECT_EQ(combo->itemText(0), "C");
        click(editor, "cmdCancel");
    });
    EXPECT_EQ(LoadMRU(store(), mru::HeaderDesc), (QStringList{"C", "A", "B"}));
}

TEST_F(HeaderEditor, EditingARecordGivesTheSavedValuesAndNoFile)
{
    DatHeader header{.name = "N", .description = "D", .version = "1", .category = "Standard DatFile"};
    QTimer::singleShot(0, [] {
        QWidget& editor = *QApplication::activeModalWidget();
        EXPECT_EQ(text(editor, "cboHeaderName"), "N");
        EXPECT_EQ(text(editor, "txtHeaderVersion"), "1");
        setText(editor, "cboHeaderName", "New & <odd>");
        setText(editor, "cboHeaderAuthor", "A");
        click(editor, "cmdSave");
    });
    ASSERT_TRUE(frmCMPHeader::EditHeader(store(), prompter_, nullptr, header));
    EXPECT_EQ(header, (DatHeader{.name = "New & <odd>", .description = "D", .version = "1", .author = "A",
                                 .category = "Standard DatFile"}));
    EXPECT_TRUE(tempFiles().isEmpty());
    EXPECT_EQ(LoadMRU(store(), mru::HeaderName).value(0), "New & <odd>");

    QTimer::singleShot(0, [] { click(*QApplication::activeModalWidget(), "cmdCancel"); });
    EXPECT_FALSE(frmCMPHeader::EditHeader(store(), prompter_, nullptr, header));
    EXPECT_EQ(header.name, "New & <odd>");
}

TEST_F(HeaderEditor, AnUnwritableTemporaryFolderIsReportedAndGivesNoHeaderFile)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root writes into read-only folders";
    const QString folder = QDir::tempPath();
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
    const QString file = runEditor([this](frmCMPHeader& editor) {
        setText(editor, "cboHeaderName", "X");
        setText(editor, "cboHeaderDesc", "Y");
        click(editor, "cmdSave");
        EXPECT_TRUE(editor.isVisible()) << "the user may try again or cancel";
        click(editor, "cmdCancel");
    });
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_EQ(file, "");
    EXPECT_TRUE(tempFiles().isEmpty());
    ASSERT_EQ(prompter_.messages().size(), 1);
    EXPECT_TRUE(prompter_.messages().first().text.startsWith("The header could not be saved.\n\n"))
        << prompter_.messages().first().text.toStdString();
    EXPECT_EQ(prompter_.messages().first().icon, PromptIcon::Critical);
}

}  // namespace
}  // namespace quillon
