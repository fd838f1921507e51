#include "filelistbox.h"
#include "panelcopy.h"
#include "scriptedprompter.h"
#include "testfiles.h"

#include <QDir>
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
