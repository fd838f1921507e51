// The Rename files preview offscreen with a scripted prompter: what the user is shown before
// anything is touched, the renames on confirming, and File > Undo last rename.
#include "frmrenamesets.h"
#include "scriptedprompter.h"
#include "testfiles.h"
#include "windowtesting.h"

#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace quillon {
namespace {

using namespace Qt::Literals::StringLiterals;
using namespace testing;

class RenameFilesWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        QDir(temp.path()).mkpath(u"roms"_s);
        QDir(temp.path()).mkpath(u"chd/a"_s);
        for (const QString& name : {u"a.zip"_s, u"b.zip"_s, u"x.zip"_s, u"y.zip"_s})
            writeFile(roms + u'/' + name, name.toUtf8());
    }

    QStringList table() const
    {
        const auto& plan = child<QTableWidget>(window, u"tblPlan"_s);
        QStringList rows;
        for (int row = 0; row < plan.rowCount(); ++row) {
            QStringList cells;
            for (int column = 0; column < plan.columnCount(); ++column)
                cells.append(plan.item(row, column)->text());
            rows.append(cells.join(u" | "_s));
        }
        return rows;
    }
    QStringList romsNow() const { return QDir(roms).entryList(QDir::Files | QDir::Hidden); }
    void addFolder(const QString& folder)
    {
        prompter.chooseNext(folder);
        click(window, u"cmdAddFolder"_s);
    }

    QTemporaryDir temp;
    QString roms = temp.filePath(u"roms"_s);
    QString chd = temp.filePath(u"chd"_s);
    QString journals = temp.filePath(u"state/Quillon"_s);
    ScriptedPrompter prompter;
    frmRenameSets window{{{u"a"_s, u"b"_s}, {u"b"_s, u"a"_s}, {u"x"_s, u"y"_s}}, prompter, journals};
};

TEST_F(RenameFilesWindow, ThePreviewListsEachEntryAndNothingIsRenamedUntilTheUserSaysYes)
{
    EXPECT_FALSE(child<QAbstractButton>(window, u"cmdRename"_s).isEnabled());
    EXPECT_EQ(child<QLabel>(window, u"lblPlan"_s).text(), u"Add the folders to look in."_s);
    addFolder(roms);
    addFolder(chd);
    addFolder(temp.filePath(u"gone"_s));
    EXPECT_EQ(prompter.texts(), QStringList{u"This folder cannot be read:\n%1: no such folder"_s.arg(temp.filePath(u"gone"_s))});
    EXPECT_EQ(table(), (QStringList{roms + u" | a.zip | b.zip | rename, through a temporary name (names trade places)"_s,
                                    roms + u" | b.zip | a.zip | rename"_s, roms + u" | x.zip | y.zip | skip: y.zip exists"_s,
                                    chd + u" | a | b | rename"_s}));
    EXPECT_EQ(child<QLabel>(window, u"lblPlan"_s).text(), u"3 to rename, 1 to skip."_s);

    prompter.answerNext(PromptAnswer::No);
    click(window, u"cmdRename"_s);
    EXPECT_EQ(prompter.messages().last().text,
              u"Rename 3 files and folders as listed? Those marked \"skip\" stay as they are.\n\n"
              "File > Undo last rename puts them back."_s);
    EXPECT_EQ(readAll(roms + u"/a.zip"_s), "a.zip") << "No renames nothing";
    EXPECT_FALSE(QFileInfo::exists(journals));

    prompter.answerNext(PromptAnswer::Yes);
    click(window, u"cmdRename"_s);
    EXPECT_EQ(prompter.messages().last().text, u"3 of 4 renamed.\n\nFile > Undo last rename puts them back."_s);
    EXPECT_EQ(readAll(roms + u"/a.zip"_s), "b.zip");
    EXPECT_EQ(readAll(roms + u"/b.zip"_s), "a.zip");
    EXPECT_EQ(readAll(roms + u"/y.zip"_s), "y.zip");
    EXPECT_TRUE(QFileInfo(chd + u"/b"_s).isDir());
    EXPECT_EQ(child<QTableWidget>(window, u"tblPlan"_s).horizontalHeaderItem(3)->text(), u"What happened"_s);
    EXPECT_EQ(table().at(2), roms + u" | x.zip | y.zip | skipped: y.zip exists"_s);
    EXPECT_FALSE(child<QAbstractButton>(window, u"cmdRename"_s).isEnabled()) << "a plan is made once";
}

TEST_F(RenameFilesWindow, UndoLastRenameAsksThenPutsTheEntriesBack)
{
    UndoLastRename(prompter, journals);
    EXPECT_EQ(prompter.texts(), QStringList{u"There is no rename to undo."_s});

    addFolder(roms);
    prompter.answerNext(PromptAnswer::Yes);
    click(window, u"cmdRename"_s);
    const QString journal = RenameJournals(journals).value(0);
    ASSERT_FALSE(journal.isEmpty());

    prompter.answerNext(PromptAnswer::No);
    UndoLastRename(prompter, journals);
    EXPECT_EQ(prompter.messages().last().text,
              u"Give 2 files and folders their old names back?\n\nThe rename was recorded in %1."_s.arg(journal));
    EXPECT_EQ(readAll(roms + u"/a.zip"_s), "b.zip") << "No leaves them";

    prompter.answerNext(PromptAnswer::Yes);
    UndoLastRename(prompter, journals);
    EXPECT_EQ(prompter.messages().last().text, u"2 renamed back."_s);
    EXPECT_EQ(readAll(roms + u"/a.zip"_s), "a.zip");
    EXPECT_EQ(readAll(roms + u"/b.zip"_s), "b.zip");
    EXPECT_EQ(romsNow(), (QStringList{u"a.zip"_s, u"b.zip"_s, u"x.zip"_s, u"y.zip"_s}));
}

}  // namespace
}  // namespace quillon
