// Rename files as the Diff results window offers it and File > Undo last rename in the main
// window, offscreen with scripted answers.
#include "diffresults.h"
#include "frmdiffresults.h"
#include "frmmain.h"
#include "frmrenamesets.h"
#include "maintesting.h"
#include "renamesetscommand.h"
#include "scriptedprompter.h"
#include "tempstore.h"
#include "windowtesting.h"

#include <QAction>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>

namespace {

TEST(RenameFiles, TheResultsWindowOffersTheMovesOfItsReportAndOnlyWhenThereAreAny)
{
    QJsonObject report = QJsonDocument::fromJson(sampleDiffReport()).object();
    DiffResults plain;
    ASSERT_TRUE(ParseDiffResults(sampleDiffReport(), plain).ok());
    EXPECT_TRUE(plain.moves.isEmpty());
    report.insert(u"moved_sets"_s, QJsonArray{QJsonObject{{u"old"_s, QJsonObject{{u"name"_s, u"sf1"_s}}},
                                                          {u"new"_s, QJsonObject{{u"name"_s, u"sf"_s}}}}});
    DiffResults moved;
    ASSERT_TRUE(ParseDiffResults(QJsonDocument(report).toJson(), moved).ok());
    EXPECT_EQ(moved.moves, (QList<SetMove>{{u"sf1"_s, u"sf"_s}}));

    ScriptedPrompter prompter;
    const auto openFolder = [](const QString&) { return true; };
    frmDiffResults withoutMoves(std::make_shared<const DiffResults>(plain), prompter, openFolder);
    EXPECT_FALSE(child<QAbstractButton>(withoutMoves, u"cmdRenameFiles"_s).isEnabled());
    frmDiffResults withMoves(std::make_shared<const DiffResults>(moved), prompter, openFolder);
    click(withMoves, u"cmdRenameFiles"_s);
    auto* preview = withMoves.findChild<frmRenameSets*>();
    ASSERT_NE(preview, nullptr);
    EXPECT_TRUE(preview->isVisible());
    EXPECT_TRUE(child<QLabel>(*preview, u"lblMoves"_s).text().startsWith(u"1 sets were renamed"_s));
    EXPECT_TRUE(prompter.messages().isEmpty()) << "nothing is asked before folders are picked";
    preview->close();
}

TEST(RenameFiles, UndoLastRenameInTheFileMenuPutsBackTheLastRun)
{
    QTemporaryDir roms;
    writeFile(roms.filePath(u"sf1.zip"_s), "sf1");
    RenamePlan plan;
    ASSERT_TRUE(PlanSetRenames({{u"sf1"_s, u"sf"_s}}, {roms.path()}, plan).ok());
    RenameRun run;
    ASSERT_TRUE(ApplyRenamePlan(plan, RenameJournalFolder(), run).ok());
    ASSERT_TRUE(QFileInfo::exists(roms.filePath(u"sf.zip"_s)));

    TempStore temp;
    ScriptedPrompter prompter;
    frmmain window(temp.store(), prompter, StartupOptions{});
    prompter.answerNext(PromptAnswer::Yes);
    child<QAction>(window, u"mnuFileUndoRename"_s).trigger();
    EXPECT_EQ(prompter.messages().last().text, u"1 renamed back."_s);
    EXPECT_EQ(readAll(roms.filePath(u"sf1.zip"_s)), "sf1");
    EXPECT_FALSE(QFileInfo::exists(roms.filePath(u"sf.zip"_s)));
}

}  // namespace
