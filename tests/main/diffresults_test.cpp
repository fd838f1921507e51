// Reading setdelta's JSON report, the table of sets with its filters, and the CSV export.
#include "diffresultsmodel.h"
#include "filesizelimit.h"
#include "maintesting.h"

namespace {

DiffResults parsed(const QByteArray& json)
{
    DiffResults results;
    const Outcome outcome = ParseDiffResults(json, results);
    EXPECT_TRUE(outcome.ok()) << outcome.reason().toStdString();
    return results;
}

QStringList shownNames(const QAbstractItemModel& table)
{
    QStringList names;
    for (int row = 0; row < table.rowCount(); ++row)
        names.append(table.index(row, DiffSetsModel::Name).data().toString());
    return names;
}

class SetsTable : public ::testing::Test {
protected:
    std::shared_ptr<const DiffResults> results = std::make_shared<const DiffResults>(parsed(sampleDiffReport()));
    DiffSetsModel model{results};
    DiffSetsFilter filter;
    QTemporaryDir folder;

    void SetUp() override { filter.setSourceModel(&model); }
};

}  // namespace

TEST(DiffReport, ReadsEverySetAndDescribesInputsOptionsAndObjectsInWords)
{
    const DiffResults results = parsed(sampleDiffReport());
    EXPECT_EQ(DescribeInput(results.oldInput), u"/dats/mame0139.dat - MAME 0.139 - clrmamepro, 120 sets, 900 objects"_s)
        << "no entry";
    EXPECT_EQ(DescribeInput(results.newInput),
              u"/dats/mame0251.zip (mame0251.xml) - 0.251 (mame0251) - listxml, 121 sets, 905 objects"_s);
    EXPECT_EQ(DescribeOptions(results.options), u"split sets, -d2, ROMs, renames counted, nodump included"_s);
    EXPECT_EQ(results.summary.renamedObjects, 2);
    ASSERT_EQ(results.sets.size(), 5u);

    const QList<ObjectChange> pacman = DescribeObjectChanges(results.sets.at(1));
    ASSERT_EQ(pacman.size(), 3);
    EXPECT_EQ(pacman.at(2).change, u"Renamed"_s);
    EXPECT_EQ(pacman.at(2).name, u"pm1.bin → pacman.6e"_s);
    const ObjectChange removed = DescribeObjectChanges(results.sets.at(4)).at(0);
    EXPECT_EQ(removed.size, u"-"_s) << "an object without a size";
    EXPECT_EQ(removed.hash, u"-"_s);
    const DiffSet disk{.status = SetStatus::New, .objects = {{.kind = u"disk"_s, .name = u"hdd"_s, .sha1 = u"ab12"_s}}};
    const ObjectChange chd = DescribeObjectChanges(disk).at(0);
    EXPECT_EQ((QStringList{chd.size, chd.crc, chd.hash}), (QStringList{u"-"_s, u"-"_s, u"ab12"_s}))
        << "a disk without size or CRC";
    EXPECT_EQ(removed.flags, u"nodump"_s);
    const QList<ObjectChange> newgame = DescribeObjectChanges(results.sets.at(0));
    EXPECT_EQ(newgame.at(0).hash, u"MD5 00112233445566778899aabbccddeeff"_s) << "the MD5 where no SHA-1 is known";
    EXPECT_EQ(pacman.at(0).hash, u"0123456789abcdef0123456789abcdef01234567"_s);

    // Version 2 lists moved sets beside the sets, and marks the new and removed sets that moved.
    QByteArray second = sampleDiffReport();
    second.replace(R"("version": 1)", R"("version": 2)");
    second.replace(R"("renamed_objects": 2},)", R"("renamed_objects": 2, "moved_sets": 0}, "moved_sets": [],)");
    second.replace(R"("status": "new",)", R"("status": "new", "moved_from": "oldgame",)");
    const DiffResults read = parsed(second);
    EXPECT_EQ(read.sets.size(), results.sets.size());
    EXPECT_EQ(read.summary.renamedObjects, 2);
}

// setdelta lists a moved set as new, as removed and as a move; the results hold it once, with
// the objects both names share.
TEST(DiffReport, AMovedSetIsOneSetWithItsSharedRenamedAddedAndRemovedObjects)
{
    QTemporaryDir folder;
    const Result<DiffResults> loaded = LoadDiffResults(movedSetsReport(folder), {});
    ASSERT_TRUE(loaded.ok());
    const DiffResults& results = *loaded;
    QStringList names;
    for (const DiffSet& set : results.sets)
        names << u"%1 (%2)"_s.arg(set.shownName(), StatusText(set.status));
    EXPECT_EQ(names, (QStringList{u"fresh (New)"_s, u"sf1 -> sf (Moved)"_s, u"keep (Changed)"_s, u"gone (Removed)"_s}));
    const std::array<qint64, setStatusCount> rows{1, 1, 1, 1, 0};
    EXPECT_EQ(SetsByStatus(results), rows);
    EXPECT_EQ((std::array{results.summary.newSets, results.summary.removedSets, results.summary.movedSets}),
              (std::array<qint64, 3>{2, 2, 1}))
        << "setdelta's counts";
    EXPECT_EQ(results.summary.trulyNewSets(), 1);
    EXPECT_EQ(results.summary.goneSets(), 1);

    const DiffSet& moved = results.sets.at(1);
    EXPECT_EQ(moved.description, u"Street Fighter (US)"_s);
    EXPECT_EQ(moved.move.oldDescription, u"Street Fighter"_s);
    EXPECT_EQ(DescribeSharedContents(moved.move), u"2 of 4 contents shared"_s);
    QStringList changes;
    for (const ObjectChange& change : DescribeObjectChanges(moved))
        changes << change.change + u' ' + change.name;
    EXPECT_EQ(changes, (QStringList{u"Added d"_s, u"Removed c"_s, u"Renamed b → bb"_s, u"Shared a"_s}))
        << "renames listed whether or not they count";
    EXPECT_EQ((std::array{moved.addedCount(), moved.removedCount(), moved.renamedCount()}), (std::array<qsizetype, 3>{1, 1, 1}));

    // A report of version 1 knows no moves: the two sets stay apart.
    QByteArray first = readAll(folder.filePath(u"report.json"_s));
    first.replace("\"version\":2", "\"version\":1");
    first.replace("\"moved_sets\":[{", "\"later_member\":[{");
    DiffResults older;
    ASSERT_TRUE(ParseDiffResults(first, older).ok());
    EXPECT_EQ(SetsByStatus(older), (std::array<qint64, setStatusCount>{2, 2, 0, 1, 0}));

    QByteArray damaged = readAll(folder.filePath(u"report.json"_s));
    damaged.replace("\"old\":{\"name\":\"sf1\",", "\"old\":{");
    EXPECT_EQ(ParseDiffResults(damaged, older).reason(), u"move 1: a name is missing"_s);
}

// MAME renamed 48 sets between 0.78 and 0.94 with their ROMs: moved, not removed.
TEST(DiffReport, MameReleasesRenamedSetsAreMovedNotRemoved)
{
    const QString dats = QStringLiteral(SHARED_DATS_DIR);
    if (!QFileInfo::exists(dats + u"/mame_0.94_listxml.zip"_s))
        GTEST_SKIP() << "the shared DATs are not at " << dats.toStdString();
    QTemporaryDir folder;
    const Result<DiffResults> loaded =
        LoadDiffResults(setdeltaReport(folder, {dats + u"/mame_0.78_listxml.zip"_s, dats + u"/mame_0.94_listxml.zip"_s}), {});
    ASSERT_TRUE(loaded.ok());
    const DiffResults& results = *loaded;
    const auto rows = SetsByStatus(results);
    EXPECT_EQ(rows.at(static_cast<size_t>(SetStatus::Moved)), 48);
    EXPECT_EQ(rows.at(static_cast<size_t>(SetStatus::Removed)), 59 - 48);
    EXPECT_EQ(rows.at(static_cast<size_t>(SetStatus::Removed)), results.summary.goneSets());
    EXPECT_EQ(rows.at(static_cast<size_t>(SetStatus::New)), results.summary.trulyNewSets());
    QHash<QString, const DiffSet*> moved;
    for (const DiffSet& set : results.sets)
        if (set.status == SetStatus::Moved)
            moved.insert(set.shownName(), &set);
    for (const QString& move : {u"sf1 -> sf"_s, u"dwj -> dynwarj"_s, u"auraila -> aurail1"_s}) {
        ASSERT_TRUE(moved.contains(move)) << move.toStdString();
        EXPECT_EQ(moved.value(move)->kept.size(), moved.value(move)->move.sharedContents) << "the same ROMs";
    }
    const DiffSet& outrun = *moved.value(u"outruna -> outrun2"_s);
    EXPECT_EQ(outrun.parent, u"outrun"_s) << "as NEW lists it";
    EXPECT_EQ(outrun.renamedCount(), 20);
}

// A chain report lists sets, not objects: the sets new since the first release, the moved sets
// with every name they had, and the removed sets with the releases that had them.
TEST(DiffReport, AChainOfReleasesListsNewMovedAndRemovedSetsWithTheirReleases)
{
    const DiffResults chain = parsed(sampleChainReport());
    ASSERT_TRUE(chain.isChain());
    EXPECT_EQ(chain.releases.size(), 3u);
    EXPECT_EQ(DescribeInput(chain.newInput), u"/dats/r3.xml - 0.3 - listxml, 4 sets, 8 objects"_s);
    EXPECT_EQ(DescribeOptions(chain.options), u"split sets, ROMs"_s) << "no -d level in a chain";
    QStringList rows;
    for (const DiffSet& set : chain.sets)
        rows << u"%1 (%2): %3"_s.arg(set.shownName(), StatusText(set.status), set.releases);
    EXPECT_EQ(rows, (QStringList{u"n (New): new in release 3"_s,
                                 u"a -> c (Moved): a from release 1, b from release 2, c from release 3"_s,
                                 u"m -> m2 (Moved): m from release 2, m2 from release 3"_s,
                                 u"g (Removed): releases 1 to 2 (last as h), removed in 3"_s}))
        << "m2, new since release 1 but renamed since, is one row, moved";
    EXPECT_EQ(SetsByStatus(chain), (std::array<qint64, setStatusCount>{1, 1, 2, 0, 0}));
    EXPECT_EQ((std::array{chain.summary.trulyNewSets(), chain.summary.goneSets(), chain.summary.movedSets}),
              (std::array<qint64, 3>{1, 1, 2}));
    ASSERT_EQ(chain.steps.size(), 2u);
    EXPECT_EQ((std::array{chain.steps[1].from, chain.steps[1].to}), (std::array{2, 3}));
    EXPECT_EQ(chain.steps[0].changedSets, 1);

    const QByteArray report = sampleChainReport();
    const auto changed = [&report](const char* from, const char* to) { return QByteArray(report).replace(from, to); };
    const std::pair<QByteArray, QString> damages[] = {
        {changed(R"("removed_in": 2)", R"("removed_in": 7)"), u"removed set 1: \"removed_in\" is not a release of the chain"_s},
        {changed(R"("release": 1}, {"name": "c")", R"("release": -1}, {"name": "c")"), u"moved set 1: \"release\" is not a release"_s},
        {changed(R"("version": 1)", R"("version": 2)"), u"its version 2 is not a version of chain report this Quillon reads (1)"_s},
        {changed(R"("releases": [{)", R"("releases": [], "x": [{)"), u"a chain needs two releases or more"_s},
        {changed(R"("new_sets": [)", R"("new_sets": [7, )"), u"new set 1 is not described as an object"_s}};
    for (const auto& [json, reason] : damages) {
        DiffResults results = chain;
        const Outcome outcome = ParseDiffResults(json, results);
        EXPECT_TRUE(outcome.reason().contains(reason)) << outcome.reason().toStdString();
        EXPECT_EQ(results.sets.size(), chain.sets.size()) << "the results stay as they were";
    }
}

TEST(DiffReport, ADamagedOrUnreadableReportSaysWhatIsWrong)
{
    const QByteArray report = sampleDiffReport();
    const auto changed = [&report](const char* from, const char* to) { return QByteArray(report).replace(from, to); };
    const std::pair<QByteArray, QString> damages[] = {
        {report.left(report.size() / 2), u"at byte"_s},
        {"[1, 2]", u"it is not a setdelta report"_s},
        {R"({"format": "something else", "version": 1})", u"it is not a setdelta report"_s},
        {changed(R"("version": 1)", R"("version": 3)"), u"its version 3 is not a version this Quillon reads (1 to 2)"_s},
        {changed(R"("status": "renamed")", R"("status": "moved")"), u"set \"mspacman\": unknown status \"moved\""_s},
        {changed(R"("sets": [)", R"("sets": {"x": [)").replace("]\n}", "]}}"), u"\"sets\" is missing or not a list"_s},
        {changed(R"("summary": {)", R"("summary": 3, "x": {)"), u"\"summary\" is missing or not an object"_s},
        {changed(R"("removed": [],)", R"("removed": 7,)"), u"set \"galaxian\": \"removed\" is not a list"_s}};
    for (const auto& [json, reason] : damages) {
        DiffResults results;
        const Outcome outcome = ParseDiffResults(json, results);
        EXPECT_FALSE(outcome.ok());
        EXPECT_TRUE(outcome.reason().contains(reason)) << outcome.reason().toStdString();
    }

    // Read from a file, the reason names the file.
    QTemporaryDir folder;
    const QString json = folder.filePath(u"report.json"_s);
    writeFile(json, "{\"format\": ");
    for (const QString& unreadable : {folder.filePath(u"none.json"_s), folder.path(), json}) {
        const Result<DiffResults> loaded = LoadDiffResults(unreadable, {});
        EXPECT_FALSE(loaded.ok());
        EXPECT_TRUE(loaded.reason().startsWith(unreadable + u": "_s)) << loaded.reason().toStdString();
    }
}

TEST_F(SetsTable, FiltersByStatusAndSearchesNamesAndDescriptionsIgnoringCase)
{
    filter.setStatusShown(SetStatus::Changed, false);
    filter.setStatusShown(SetStatus::Removed, false);
    EXPECT_EQ(shownNames(filter), (QStringList{u"newgame"_s, u"mspacman"_s}));
    filter.setStatusShown(SetStatus::Changed, true);
    filter.setSearchText(u"PAC-MAN"_s);
    EXPECT_EQ(shownNames(filter), (QStringList{u"pacman"_s, u"mspacman"_s})) << "descriptions, letter case ignored";
    filter.setSearchText(u"  Galax "_s);
    EXPECT_EQ(shownNames(filter), QStringList{u"galaxian"_s}) << "names; surrounding blanks ignored";
    filter.setSearchText(u"oldgame"_s);
    EXPECT_EQ(shownNames(filter), QStringList{}) << "removed sets stay hidden";
}

TEST_F(SetsTable, ExportsTheTableAsShownWithQuotingReadBackExactly)
{
    filter.setStatusShown(SetStatus::Renamed, false);
    filter.setSearchText(u"a"_s);
    const QString path = folder.filePath(u"diff.csv"_s);
    writeFile(path, "an older export that is much longer than the new one\r\n");
    ASSERT_TRUE(ExportCsv(filter, path).ok());
    EXPECT_EQ(readAll(path), "Name,Description,Status,Parent,Added,Removed,Renamed\r\n"
                             "newgame,\"New Game, \"\"deluxe\"\"\",New,,2,0,0\r\n"
                             "pacman,Pac-Man (Midway),Changed,,1,1,1\r\n"
                             "galaxian,\"Galaxian\nPart Two\",Changed,,1,0,0\r\n"
                             "oldgame,Old Game,Removed,pacman,0,1,0\r\n");
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList{u"diff.csv"_s}) << "no temporary file left";
}

TEST_F(SetsTable, ExportsOneRowPerObjectOfTheSetsShown)
{
    filter.setStatusShown(SetStatus::New, false);
    filter.setSearchText(u"pac"_s);
    const QString path = folder.filePath(u"objects.csv"_s);
    ASSERT_TRUE(ExportObjectsCsv(filter, path).ok());
    EXPECT_EQ(readAll(path), "Set,Status,Change,Kind,Name,Old name,Size,CRC,SHA-1,MD5,Flags\r\n"
                             "pacman,Changed,Added,rom,pacman.7f,,2048,aabbccdd,0123456789abcdef0123456789abcdef01234567,,\r\n"
                             "pacman,Changed,Removed,rom,pacman.7e,,2048,11223344,,,\r\n"
                             "pacman,Changed,Renamed,rom,pacman.6e,pm1.bin,4096,c1e6ab10,,,\r\n"
                             "mspacman,Renames only,Renamed,rom,pacman.6e,boot1,4096,d16b31b7,,,\r\n");
}

TEST(KeptDiffResults, ComeBackAsTheyWereFromAFolderOnlyTheUserEnters)
{
    QTemporaryDir home;
    const QString kept = home.filePath(u"state/Quillon/last-diff.json"_s);
    DiffResults results = parsed(sampleDiffReport());
    results.destination = u"/diffs/update.dat"_s;
    results.written = u"/diffs/update.zip"_s;
    results.withHeader = true;
    results.zipped = true;
    results.oldInput.file = u"/dats/chosen.zip"_s;
    results.oldInput.entry = u"old.dat"_s;
    results.readableReport = "setdelta report: caf\xe9\r\n";  // Latin-1, as a DAT may be
    ASSERT_TRUE(KeepDiffResults(results, sampleDiffReport(), kept).ok());
    const QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther
                                      | QFile::WriteOther | QFile::ExeOther;
    EXPECT_FALSE(QFileInfo(home.filePath(u"state/Quillon"_s)).permissions() & others);

    const Result<DiffResults> loaded = LoadKeptDiffResults(kept);
    ASSERT_TRUE(loaded.ok()) << loaded.reason().toStdString();
    const DiffResults& back = *loaded;
    EXPECT_EQ(back.sets.size(), results.sets.size());
    EXPECT_EQ(back.sets.at(1).renamed.at(0).from.name, u"pm1.bin"_s);
    EXPECT_EQ(DescribeInput(back.oldInput), DescribeInput(results.oldInput)) << "named as the user chose it";
    EXPECT_EQ(DescribeWritten(back), u"/diffs/update.zip (entry update.dat), zipped, with a header block"_s);
    EXPECT_EQ(back.readableReport, results.readableReport) << "byte for byte";

    results.zipped = results.withHeader = false;
    results.written = results.destination;
    EXPECT_EQ(DescribeWritten(results), u"/diffs/update.dat, without a header block"_s);

    const QByteArray before = readAll(kept);
    const ChildOutcome failed = RunUnderFileSizeLimit(64, [&] { return KeepDiffResults(results, sampleDiffReport(), kept); });
    EXPECT_FALSE(failed.ok);
    EXPECT_TRUE(failed.reason.startsWith(kept + u": File too large"_s)) << failed.reason.toStdString();
    EXPECT_EQ(readAll(kept), before);

    const QByteArray damages[] = {before.left(before.size() / 2),
                                  R"({"format": "quillon-diff-results", "version": 1})", sampleDiffReport()};
    for (const QByteArray& damaged : damages) {
        writeFile(kept, damaged);
        EXPECT_FALSE(LoadKeptDiffResults(kept).ok());
    }
    EXPECT_TRUE(LoadKeptDiffResults(kept).reason().startsWith(kept + u": "_s));
}

TEST_F(SetsTable, AWriteThatFailsLeavesTheUsersFileAndSaysWhy)
{
    const QString path = folder.filePath(u"diff.csv"_s);
    writeFile(path, "the user's file\r\n");
    DiffResults withReport;
    withReport.readableReport = QByteArray(4096, 'r');
    for (const ChildOutcome& failed : {RunUnderFileSizeLimit(64, [&] { return ExportCsv(filter, path); }),
                                       RunUnderFileSizeLimit(64, [&] { return SaveReadableReport(withReport, path); })}) {
        EXPECT_TRUE(failed.finished);
        EXPECT_FALSE(failed.ok);
        EXPECT_TRUE(failed.reason.startsWith(path + u": File too large"_s)) << failed.reason.toStdString();
    }
    EXPECT_EQ(readAll(path), "the user's file\r\n");
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList{u"diff.csv"_s});
}
