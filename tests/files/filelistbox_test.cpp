#include "filelistbox.h"
#include "panelcopy.h"
#include "scriptedprompter.h"
#include "testfiles.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>

namespace quillon {
namespace {

using namespace Qt::Literals::StringLiterals;
using testing::readAll;
using testing::writeFile;

// Names that are not valid UTF-8 are shown as the system decodes them, not left out.
TEST(FileListBox, ListsMatchingFilesInAnyLetterCaseSortedByName)
{
    QTemporaryDir temp;
    for (const char* name : {"b.dat", "A.DAT", "c.Zip", "d.xml", "e.txt", ".hidden.dat", "caf\xe9.dat"})
        std::fclose(std::fopen(QByteArray(QFile::encodeName(temp.path()) + '/' + name).constData(), "w"));
    ASSERT_TRUE(QDir(temp.path()).mkdir(u"folder.dat"_s));
    FileListBox list;
    ASSERT_TRUE(list.setPath(temp.path() + u'/'));
    const QString latin1 = QFile::decodeName(QByteArray("caf\xe9.dat"));
    EXPECT_EQ(list.fileNames(), (QStringList{u"A.DAT"_s, u"b.dat"_s, u"c.Zip"_s, latin1, u"d.xml"_s}));
    list.setPattern(*FilterPattern(2));
    list.refresh();
    EXPECT_EQ(list.fileNames(), QStringList{u"c.Zip"_s});
    EXPECT_FALSE(FilterPattern(4));

    list.setCurrentRow(0);
    EXPECT_EQ(list.fileName(), u"c.Zip"_s);
    int changes = 0;
    QObject::connect(&list, &FileListBox::pathChanged, [&changes] { ++changes; });
    EXPECT_TRUE(list.setPath(temp.path())) << "one spelling per folder: no change";
    for (const QString& folder : {temp.filePath(u"missing"_s), temp.filePath(u"b.dat"_s), QString()})
        EXPECT_FALSE(list.setPath(folder));
    EXPECT_EQ(list.path(), temp.path());
    EXPECT_EQ(list.fileName(), u"c.Zip"_s) << "a folder that cannot be listed leaves the list as it was";
    EXPECT_EQ(changes, 0);
    list.refresh();
    EXPECT_EQ(list.fileName(), QString());
}

TEST(FileListBox, OnlyNamesWiderThanTheListGetATooltip)
{
    QTemporaryDir temp;
    const QString longName = QString(80, u'w') + u".dat"_s;
    writeFile(temp.filePath(u"a.dat"_s), "x");
    writeFile(temp.filePath(longName), "x");
    FileListBox list;
    list.resize(150, 200);
    list.show();
    list.setPath(temp.path());
    list.updateTipAt(list.visualItemRect(list.item(1)).center());
    EXPECT_EQ(list.toolTip(), longName);
    list.updateTipAt(QPoint(5, 190));
    EXPECT_EQ(list.toolTip(), longName) << "no item under the mouse changes nothing";
    list.updateTipAt(list.visualItemRect(list.item(0)).center());
    EXPECT_EQ(list.toolTip(), QString());
}

// Large files go through the progress dialog; nothing is said on success, a failure says why.
TEST(PanelCopy, AsksBeforeReplacingAndReportsOnlyFailures)
{
    QTemporaryDir temp;
    const QByteArray large(static_cast<qsizetype>(largeFileBytes) + 17, 'L');
    writeFile(temp.filePath(u"large.dat"_s), large);
    writeFile(temp.filePath(u"copy.dat"_s), "old");
    testing::ScriptedPrompter prompter;
    prompter.answerNext(PromptAnswer::No);
    CopyFileAskingFirst(prompter, nullptr, temp.filePath(u"large.dat"_s), temp.filePath(u"copy.dat"_s));
    EXPECT_EQ(readAll(temp.filePath(u"copy.dat"_s)), "old");
    EXPECT_EQ(prompter.messages().last().defaultAnswer, PromptAnswer::No);
    prompter.answerNext(PromptAnswer::Yes);
    CopyFileAskingFirst(prompter, nullptr, temp.filePath(u"large.dat"_s), temp.filePath(u"copy.dat"_s));
    EXPECT_EQ(readAll(temp.filePath(u"copy.dat"_s)), large);
    EXPECT_EQ(prompter.messages().size(), 2);

    CopyFileAskingFirst(prompter, nullptr, temp.filePath(u"large.dat"_s), temp.filePath(u"nowhere/large.dat"_s));
    EXPECT_EQ(prompter.texts().last(), u"\"large.dat\" could not be copied.\n\n"_s + temp.filePath(u"nowhere/large.dat"_s) +
                                           u": No such file or directory"_s);
    EXPECT_EQ(prompter.messages().last().icon, PromptIcon::Critical);
}

}  // namespace
}  // namespace quillon
