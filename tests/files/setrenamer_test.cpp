// Renaming a collection's entries after sets moved, on real folders: what is planned, what is
// made, and that the journal puts everything back.
#include "setrenamer.h"
#include "testfiles.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

namespace quillon {
namespace {

using namespace Qt::Literals::StringLiterals;
using namespace testing;

// Every entry of a folder with what it holds: a file's bytes, or "<folder>" and its files.
QMap<QString, QByteArray> contentsOf(const QString& folder)
{
    QMap<QString, QByteArray> contents;
    const QDir dir(folder);
    for (const QFileInfo& entry : dir.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)) {
        contents.insert(entry.fileName(), entry.isDir() ? "<folder>" + QDir(entry.filePath()).entryList(QDir::Files).join(u',').toUtf8()
                                                        : readAll(entry.filePath()));
    }
    return contents;
}

class SetRenamer : public ::testing::Test {
protected:
    QString folder(const QString& name) const
    {
        QDir(temp.path()).mkpath(name);
        return temp.filePath(name);
    }
    // A file holding its own name, so that where its bytes end up shows where it went.
    void entry(const QString& folder, const QString& name) const { writeFile(folder + u'/' + name, name.toUtf8()); }
    void chdFolder(const QString& folder, const QString& name) const
    {
        QDir(folder).mkpath(name);
        entry(folder + u'/' + name, u"disk.chd"_s);
    }

    RenamePlan plan(const QStringList& folders) const
    {
        RenamePlan planned;
        EXPECT_TRUE(PlanSetRenames(moves, folders, planned).ok());
        return planned;
    }

    static QStringList describe(const RenamePlan& plan)
    {
        QStringList lines;
        for (const PlannedRename& rename : plan.renames)
            lines.append(rename.from + u" -> "_s + rename.to + u": "_s + DescribePlanned(rename));
        lines.sort();
        return lines;
    }

    QTemporaryDir temp;
    QString journals = temp.filePath(u"state/Quillon"_s);
    QList<SetMove> moves;
};

TEST_F(SetRenamer, SwapsAndChainsPassEveryEntryToItsNewNameOnceAndTheJournalPutsThemBack)
{
    // a and b trade names; c becomes d while d becomes e; sf's zip, 7z, cfg and CHD folder follow it.
    moves = {{u"a"_s, u"b"_s}, {u"b"_s, u"a"_s}, {u"c"_s, u"d"_s}, {u"d"_s, u"e"_s}, {u"sf1"_s, u"sf"_s}};
    const QString roms = folder(u"roms"_s);
    const QString chds = folder(u"chds"_s);
    for (const QString& name : {u"a.zip"_s, u"b.zip"_s, u"c.zip"_s, u"d.zip"_s, u"sf1.zip"_s, u"sf1.7z"_s,
                                u"sf1.we\tird\next"_s, u"sf10.zip"_s, u"notes.txt"_s})
        entry(roms, name);
    chdFolder(chds, u"sf1"_s);
    chdFolder(chds, u"a"_s);
    const QMap<QString, QByteArray> romsBefore = contentsOf(roms);
    const QMap<QString, QByteArray> chdsBefore = contentsOf(chds);

    const RenamePlan planned = plan({roms, chds, roms + u"/."_s});
    EXPECT_EQ(describe(planned),
              (QStringList{u"a -> b: rename"_s, u"a.zip -> b.zip: rename, through a temporary name (names trade places)"_s,
                           u"b.zip -> a.zip: rename"_s, u"c.zip -> d.zip: rename"_s, u"d.zip -> e.zip: rename"_s,
                           u"sf1 -> sf: rename"_s, u"sf1.7z -> sf.7z: rename"_s, u"sf1.we\tird\next -> sf.we\tird\next: rename"_s,
                           u"sf1.zip -> sf.zip: rename"_s}))
        << "sf10 and notes are no entries of a moved set; a folder given twice is planned once";
    EXPECT_EQ(contentsOf(roms), romsBefore) << "planning touches nothing";

    RenameRun run;
    ASSERT_TRUE(ApplyRenamePlan(planned, journals, run).ok());
    EXPECT_EQ(run.renamed, 9);
    const QMap<QString, QByteArray> roms_ = contentsOf(roms);
    EXPECT_EQ(roms_.value(u"a.zip"_s), "b.zip");
    EXPECT_EQ(roms_.value(u"b.zip"_s), "a.zip");
    EXPECT_EQ(roms_.value(u"d.zip"_s), "c.zip");
    EXPECT_EQ(roms_.value(u"e.zip"_s), "d.zip");
    EXPECT_EQ(roms_.value(u"sf.zip"_s), "sf1.zip");
    EXPECT_EQ(roms_.value(u"sf.we\tird\next"_s), "sf1.we\tird\next");
    EXPECT_EQ(roms_.size(), romsBefore.size()) << roms_.keys().join(u' ').toStdString();
    EXPECT_EQ(contentsOf(chds).keys(), (QStringList{u"b"_s, u"sf"_s}));
    EXPECT_EQ(contentsOf(chds).value(u"sf"_s), "<folder>disk.chd");

    EXPECT_EQ(RenameJournals(journals), QStringList{run.journal});
    EXPECT_EQ(QFile::permissions(journals) & (QFile::ReadOther | QFile::ExeOther | QFile::ReadGroup), 0)
        << "the journals are the user's alone";
    UndoRun undo;
    ASSERT_TRUE(UndoRenameJournal(run.journal, undo).ok());
    EXPECT_EQ(undo.restored, 9) << "one of them in two steps";
    EXPECT_TRUE(undo.problems.isEmpty()) << undo.problems.join(u'\n').toStdString();
    EXPECT_EQ(contentsOf(roms), romsBefore);
    EXPECT_EQ(contentsOf(chds), chdsBefore);
    EXPECT_TRUE(RenameJournals(journals).isEmpty()) << "an undone journal is not offered again";
}

TEST_F(SetRenamer, AnExistingTargetIsNeverReplacedAndWhatWaitsOnItStaysToo)
{
    // x's target is there and stays; w waits for x's name, so it stays as well.
    moves = {{u"x"_s, u"y"_s}, {u"w"_s, u"x"_s}, {u"p"_s, u"q"_s}};
    const QString roms = folder(u"roms"_s);
    for (const QString& name : {u"x.zip"_s, u"y.zip"_s, u"w.zip"_s, u"p.zip"_s})
        entry(roms, name);
    const RenamePlan planned = plan({roms});
    EXPECT_EQ(describe(planned), (QStringList{u"p.zip -> q.zip: rename"_s, u"w.zip -> x.zip: skip: x.zip exists"_s,
                                              u"x.zip -> y.zip: skip: y.zip exists"_s}));

    entry(roms, u"q.zip.keep"_s);
    ASSERT_TRUE(QFile::rename(roms + u"/q.zip.keep"_s, roms + u"/q.zip"_s)) << "q.zip appears after the preview";
    RenameRun run;
    ASSERT_TRUE(ApplyRenamePlan(planned, journals, run).ok());
    EXPECT_EQ(run.renamed, 0);
    QStringList results;
    for (qsizetype index = 0; index < planned.renames.size(); ++index)
        results.append(DescribeResult(run, index));
    results.sort();
    EXPECT_EQ(results, (QStringList{u"skipped: q.zip exists"_s, u"skipped: x.zip exists"_s, u"skipped: y.zip exists"_s}));
    EXPECT_EQ(readAll(roms + u"/q.zip"_s), "q.zip.keep");
    EXPECT_EQ(readAll(roms + u"/p.zip"_s), "p.zip");
    EXPECT_TRUE(run.journal.isEmpty() && RenameJournals(journals).isEmpty()) << "nothing was renamed, nothing to undo";
}

TEST_F(SetRenamer, AFolderThatTurnsReadOnlyStopsTheRunAndTheJournalUndoesWhatWasDone)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root renames in read-only folders";
    moves = {{u"sf1"_s, u"sf"_s}, {u"dwj"_s, u"dynwarj"_s}};
    const QString roms = folder(u"roms"_s);
    const QString cfg = folder(u"cfg"_s);
    entry(roms, u"sf1.zip"_s);
    entry(roms, u"dwj.zip"_s);
    entry(cfg, u"sf1.cfg"_s);
    const QMap<QString, QByteArray> romsBefore = contentsOf(roms);
    const RenamePlan planned = plan({roms, cfg});
    ASSERT_EQ(planned.renameCount(), 3);

    QFile::setPermissions(cfg, QFile::ReadOwner | QFile::ExeOwner);
    RenameRun run;
    const Outcome made = ApplyRenamePlan(planned, journals, run);
    QFile::setPermissions(cfg, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    ASSERT_FALSE(made.ok());
    EXPECT_EQ(made.reason(), cfg + u"/sf1.cfg could not be renamed to sf.cfg: Permission denied"_s);
    EXPECT_EQ(run.renamed, 2);
    EXPECT_EQ(contentsOf(roms).keys(), (QStringList{u"dynwarj.zip"_s, u"sf.zip"_s}));

    QList<JournalEntry> journal;
    ASSERT_TRUE(ReadRenameJournal(run.journal, journal).ok());
    EXPECT_EQ(journal.size(), 2) << "the journal lists exactly what was done";
    UndoRun undo;
    ASSERT_TRUE(UndoRenameJournal(run.journal, undo).ok());
    EXPECT_EQ(undo.restored, 2);
    EXPECT_EQ(contentsOf(roms), romsBefore);
    EXPECT_EQ(contentsOf(cfg).keys(), QStringList{u"sf1.cfg"_s});
}

TEST_F(SetRenamer, UndoNeverReplacesAnEntryAndKeepsWhatItCouldNotPutBackForLater)
{
    moves = {{u"sf1"_s, u"sf"_s}, {u"dwj"_s, u"dynwarj"_s}};
    const QString roms = folder(u"roms"_s);
    entry(roms, u"sf1.zip"_s);
    entry(roms, u"dwj.zip"_s);
    RenameRun run;
    ASSERT_TRUE(ApplyRenamePlan(plan({roms}), journals, run).ok());
    entry(roms, u"sf1.zip"_s);  // the old name is taken again, say by a download

    UndoRun undo;
    ASSERT_TRUE(UndoRenameJournal(run.journal, undo).ok());
    EXPECT_EQ(undo.restored, 1);
    EXPECT_EQ(undo.problems, QStringList{u"%1/sf1.zip stays %1/sf.zip: %1/sf1.zip exists again"_s.arg(roms)});
    EXPECT_EQ(readAll(roms + u"/sf.zip"_s), "sf1.zip");
    EXPECT_EQ(RenameJournals(journals), QStringList{run.journal}) << "offered again";

    ASSERT_TRUE(QFile::remove(roms + u"/sf1.zip"_s));
    UndoRun again;
    ASSERT_TRUE(UndoRenameJournal(run.journal, again).ok());
    EXPECT_EQ(again.restored, 1);
    EXPECT_TRUE(again.problems.isEmpty());
    EXPECT_EQ(contentsOf(roms).keys(), (QStringList{u"dwj.zip"_s, u"sf1.zip"_s}));
}

TEST_F(SetRenamer, MovesAreReadFromAReportAndNamesThatCouldReachOutsideAFolderAreLeftOut)
{
    const auto report = [](const char* json) {
        SetMoves read;
        const Outcome outcome = ReadSetMoves(QJsonDocument::fromJson(json).object(), read);
        return std::pair{outcome, read};
    };
    const auto [outcome, read] = report(R"({"format": "setdelta-report", "version": 3, "future": {},
        "moved_sets": [
          {"old": {"name": "sf1", "description": "Street Fighter"}, "new": {"name": "sf"}, "shared_contents": 5},
          {"old": {"name": "../../etc"}, "new": {"name": "x"}},
          {"old": {"name": "a"}, "new": {"name": "b/c"}},
          {"old": {"name": "sf1"}, "new": {"name": "sf2"}},
          {"kind": "something later"},
          {"old": {"name": "dwj"}, "new": {"name": "dynwarj"}}]})");
    ASSERT_TRUE(outcome.ok()) << outcome.reason().toStdString();
    EXPECT_EQ(read.moves, (QList<SetMove>{{u"sf1"_s, u"sf"_s}, {u"dwj"_s, u"dynwarj"_s}}));
    EXPECT_EQ(read.ignored.size(), 3) << read.ignored.join(u'\n').toStdString();

    EXPECT_TRUE(report(R"({"format": "setdelta-report", "version": 1, "sets": []})").first.ok())
        << "a report without moves has none";
    EXPECT_EQ(report(R"({"format": "other"})").first.reason(), u"it is not a setdelta report"_s);
    const auto [chainOutcome, chain] = report(R"({"format": "setdelta-chain-report", "version": 1,
        "moved_sets": [{"old": {"name": "a", "release": 1}, "new": {"name": "c"}, "names": ["a", "b", "c"]}]})");
    EXPECT_TRUE(chainOutcome.ok()) << chainOutcome.reason().toStdString();
    EXPECT_EQ(chain.moves, (QList<SetMove>{{u"a"_s, u"c"_s}})) << "a chain's moves, composed";

    const QString file = temp.filePath(u"broken.json"_s);
    writeFile(file, "{\"format\": ");
    SetMoves none;
    EXPECT_TRUE(LoadSetMoves(file, none).reason().startsWith(file + u": "_s));
}

TEST_F(SetRenamer, AJournalThatIsNotOneIsRefused)
{
    const QString file = temp.filePath(u"rename-1.journal"_s);
    writeFile(file, "/etc/passwd\t/tmp/x\n");
    UndoRun undo;
    EXPECT_EQ(UndoRenameJournal(file, undo).reason(), file + u": not a rename journal of Quillon"_s);
    EXPECT_EQ(UnescapeField(EscapeField(u"a\\b\tc\nd\x01"_s)), u"a\\b\tc\nd\x01"_s);
}

}  // namespace
}  // namespace quillon
