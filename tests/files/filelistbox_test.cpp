#include "filelistbox.h"
#include "panelcopy.h"
#include "scriptedprompter.h"
#include "testfiles.h"

#include <QApplication>
#include <QDir>
#include <QMouseEvent>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>

namespace quillon {
namespace {

using namespace Qt::Literals::StringLiterals;
using namespace testing;

// Names that are not valid UTF-8 are shown as the system decodes them, not left out; a folder
// that cannot be listed leaves the list as it was.
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

    list.setCurrentRow(0);
    int changes = 0;
    QObject::connect(&list, &FileListBox::pathChanged, [&changes] { ++changes; });
    EXPECT_TRUE(list.setPath(temp.path())) << "one spelling per folder: no change";
    for (const QString& folder : {temp.filePath(u"missing"_s), temp.filePath(u"b.dat"_s), QString()})
        EXPECT_FALSE(list.setPath(folder));
    EXPECT_EQ(list.path(), temp.path());
    EXPECT_EQ(list.fileName(), u"c.Zip"_s);
    EXPECT_EQ(changes, 0);
    list.refresh();
    EXPECT_EQ(list.fileName(), QString()) << "a refresh loses the selection";
}

// A name too long for the list shows whole in a tip and a short one needs none; a point below
// the last name leaves the tip as it was.
TEST(FileListBox, TipsShowNamesTooLongForTheList)
{
    QTemporaryDir temp;
    const QString longName = QString(60, u'x') + u".dat"_s;
    for (const QString& name : {u"a.dat"_s, longName})
        writeFile(temp.filePath(name), QByteArray());
    FileListBox list;
    ASSERT_TRUE(list.setPath(temp.path()));
    list.resize(120, 300);
    list.show();
    const auto hover = [&list](QPoint at) {
        QMouseEvent move(QEvent::MouseMove, at, list.viewport()->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QApplication::sendEvent(list.viewport(), &move);
    };
    const QRect shortRow = list.visualItemRect(list.item(0));
    const QRect longRow = list.visualItemRect(list.item(1));
    hover(shortRow.center());
    hover(longRow.center() + QPoint(0, 3 * longRow.height()));
    EXPECT_EQ(list.toolTip(), QString()) << "the last name is not under the point";
    hover(longRow.center());
    EXPECT_EQ(list.toolTip(), longName);
    hover(shortRow.center());
    EXPECT_EQ(list.toolTip(), QString());
}

// Large files go through the progress dialog; nothing is said on success, a failure says why.
TEST(PanelCopy, AsksBeforeReplacingAndReportsOnlyFailures)
{
    QTemporaryDir temp;
    const QByteArray large(static_cast<qsizetype>(largeFileBytes) + 17, 'L');
    writeFile(temp.filePath(u"large.dat"_s), large);
    writeFile(temp.filePath(u"copy.dat"_s), "old");
    ScriptedPrompter prompter;
    for (const PromptAnswer answer : {PromptAnswer::No, PromptAnswer::Yes}) {
        prompter.answerNext(answer);
        CopyFileAskingFirst(prompter, nullptr, temp.filePath(u"large.dat"_s), temp.filePath(u"copy.dat"_s));
        EXPECT_EQ(readAll(temp.filePath(u"copy.dat"_s)) == large, answer == PromptAnswer::Yes);
    }
    EXPECT_EQ(prompter.messages().size(), 2);
    CopyFileAskingFirst(prompter, nullptr, temp.filePath(u"large.dat"_s), temp.filePath(u"nowhere/large.dat"_s));
    EXPECT_EQ(prompter.texts().last(), u"\"large.dat\" could not be copied.\n\n"_s + temp.filePath(u"nowhere/large.dat"_s) +
                                           u": No such file or directory"_s);
    EXPECT_EQ(prompter.messages().last().icon, PromptIcon::Critical);
}

}  // namespace
}  // namespace quillon
