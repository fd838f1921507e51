// Reading setdelta's JSON report, the table of sets with its filters, and the CSV export.
#include "diffreport.h"
#include "diffresults.h"
#include "diffresultsmodel.h"
#include "filesizelimit.h"
#include "testfiles.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace quillon;
using quillon::testing::ChildOutcome;
using quillon::testing::readAll;
using quillon::testing::RunUnderFileSizeLimit;
using quillon::testing::sampleDiffReport;
using quillon::testing::writeFile;

namespace {

DiffResults parsed(const QByteArray& json)
{
    DiffResults results;
    const Outcome outcome = ParseDiffResults(json, results);
    EXPECT_TRUE(outcome.ok()) << outcome.reason().toStdString();
    return results;
}

QString parseFailure(const QByteArray& json)
{
    DiffResults results;
    const Outcome outcome = ParseDiffResults(json, results);
    EXPECT_FALSE(outcome.ok());
    return outcome.reason();
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

TEST(DiffReport, ReadsInputsOptionsCountsAndEverySet)
{
    const DiffResults results = parsed(sampleDiffReport());
    EXPECT_EQ(results.setdeltaVersion, "1.4.0");
    EXPECT_EQ(results.oldInput.file, "/dats/mame0139.dat");
    EXPECT_EQ(results.oldInput.entry, "") << "null entry";
    EXPECT_EQ(results.oldInput.version, "0.139");
    EXPECT_EQ(results.newInput.entry, "mame0251.xml");
    EXPECT_EQ(results.newInput.build, "0.251 (mame0251)");
    EXPECT_EQ(results.newInput.sets, 121);
    EXPECT_EQ(results.options.setType, "split");
    EXPECT_EQ(results.options.delta, 2);
    EXPECT_TRUE(results.options.renames);
    EXPECT_FALSE(results.options.biosInSets);
    EXPECT_EQ(results.summary.changedSets, 2);
    EXPECT_EQ(results.summary.renamedObjects, 2);

    ASSERT_EQ(results.sets.size(), 5u);
    const DiffSet& pacman = results.sets.at(1);
    EXPECT_EQ(pacman.status, SetStatus::Changed);
    EXPECT_EQ(pacman.parent, "");
    ASSERT_EQ(pacman.added.size(), 1);
    EXPECT_EQ(pacman.added.at(0).size, 2048);
    EXPECT_EQ(pacman.added.at(0).sha1, "0123456789abcdef0123456789abcdef01234567");
    ASSERT_EQ(pacman.renamed.size(), 1);
    EXPECT_EQ(pacman.renamed.at(0).from.name, "pm1.bin");
    EXPECT_EQ(pacman.renamed.at(0).to.name, "pacman.6e");
    EXPECT_EQ(results.sets.at(2).added.at(0).size, std::nullopt) << "a ROM without a size";
    EXPECT_EQ(results.sets.at(2).added.at(0).flags, QStringList{"baddump"});
    EXPECT_EQ(results.sets.at(3).status, SetStatus::Renamed);
    EXPECT_EQ(results.sets.at(3).parent, "pacman");
    EXPECT_EQ(results.sets.at(4).removedCount(), 1) << "a removed set counts its objects as removed";
    EXPECT_EQ(results.sets.at(0).addedCount(), 2) << "a new set counts its objects as added";
}

TEST(DiffReport, DescribesInputsOptionsAndObjectChangesInWords)
{
    const DiffResults results = parsed(sampleDiffReport());
    EXPECT_EQ(DescribeInput(results.oldInput), "/dats/mame0139.dat - MAME 0.139 - clrmamepro, 120 sets, 900 objects");
    EXPECT_EQ(DescribeInput(results.newInput),
              "/dats/mame0251.zip (mame0251.xml) - 0.251 (mame0251) - listxml, 121 sets, 905 objects");
    EXPECT_EQ(DescribeOptions(results.options), "split sets, -d2, ROMs, renames counted, nodump included");

    const QList<ObjectChange> pacman = DescribeObjectChanges(results.sets.at(1));
    ASSERT_EQ(pacman.size(), 3);
    EXPECT_EQ(pacman.at(0).change, "Added");
    EXPECT_EQ(pacman.at(1).change, "Removed");
    EXPECT_EQ(pacman.at(2).change, "Renamed");
    EXPECT_EQ(pacman.at(2).name, "pm1.bin → pacman.6e");
    EXPECT_EQ(pacman.at(2).size, "4096");
    EXPECT_EQ(pacman.at(2).crc, "c1e6ab10");
    const QList<ObjectChange> removedSet = DescribeObjectChanges(results.sets.at(4));
    ASSERT_EQ(removedSet.size(), 1);
    EXPECT_EQ(removedSet.at(0).change, "Removed");
    EXPECT_EQ(removedSet.at(0).size, "");
    EXPECT_EQ(removedSet.at(0).flags, "nodump");
}

TEST(DiffReport, ADamagedReportSaysWhatIsWrong)
{
    QByteArray report = sampleDiffReport();
    EXPECT_TRUE(parseFailure(report.left(report.size() / 2)).contains("at byte")) << "cut short";
    EXPECT_EQ(parseFailure("[1, 2]"), "it is not a setdelta report");
    EXPECT_EQ(parseFailure(R"({"format": "something else", "version": 1})"), "it is not a setdelta report");
    EXPECT_EQ(parseFailure(QByteArray(report).replace(R"("version": 1)", R"("version": 2)")),
              "its version 2 is not the version 1 this Quillon reads");
    EXPECT_EQ(parseFailure(QByteArray(report).replace(R"("status": "renamed")", R"("status": "moved")")),
              "set \"mspacman\": unknown status \"moved\"");
    EXPECT_EQ(parseFailure(QByteArray(report).replace(R"("sets": [)", R"("sets": {"x": [)").replace("]\n}", "]}}")),
              "\"sets\" is missing or not a list");
    EXPECT_EQ(parseFailure(QByteArray(report).replace(R"("summary": {)", R"("summary": 3, "x": {)")),
              "\"summary\" is missing or not an object");
    EXPECT_EQ(parseFailure(QByteArray(report).replace(R"("removed": [],)", R"("removed": 7,)")),
              "set \"galaxian\": \"removed\" is not a list");
}

TEST(DiffReport, LoadsTheReportAndTheReadableReportFromFiles)
{
    QTemporaryDir folder;
    const QString json = folder.filePath("report.json");
    const QString log = folder.filePath("setdelta.log");
    writeFile(json, sampleDiffReport());
    writeFile(log, "Readable report\r\n");

    DiffResults results;
    ASSERT_TRUE(LoadDiffResults(json, log, results).ok());
    EXPECT_EQ(results.sets.size(), 5u);
    EXPECT_EQ(results.readableReport, "Readable report\r\n");

    const Outcome missing = LoadDiffResults(folder.filePath("none.json"), log, results);
    EXPECT_FALSE(missing.ok());
    EXPECT_TRUE(missing.reason().startsWith(folder.filePath("none.json") + ": ")) << missing.reason().toStdString();
    const Outcome folderGiven = LoadDiffResults(folder.path(), log, results);
    EXPECT_FALSE(folderGiven.ok());
    writeFile(json, "{\"format\": ");
    const Outcome damaged = LoadDiffResults(json, log, results);
    EXPECT_FALSE(damaged.ok());
    EXPECT_TRUE(damaged.reason().startsWith(json + ": ")) << "names the file";
}

TEST_F(SetsTable, ShowsOneRowPerSetInReportOrderWithCountsAsNumbers)
{
    EXPECT_EQ(shownNames(model), (QStringList{"newgame", "pacman", "galaxian", "mspacman", "oldgame"}));
    EXPECT_EQ(model.index(3, DiffSetsModel::Status).data(), "Renamed objects");
    EXPECT_EQ(model.index(3, DiffSetsModel::Parent).data(), "pacman");
    EXPECT_EQ(model.index(1, DiffSetsModel::Renamed).data(), 1);

    filter.sort(DiffSetsModel::Added, Qt::DescendingOrder);
    EXPECT_EQ(shownNames(filter).first(), "newgame");
    filter.sort(DiffSetsModel::Name, Qt::AscendingOrder);
    EXPECT_EQ(shownNames(filter), (QStringList{"galaxian", "mspacman", "newgame", "oldgame", "pacman"}));
}

TEST_F(SetsTable, FiltersByStatusAndSearchesNamesAndDescriptionsIgnoringCase)
{
    filter.setStatusShown(SetStatus::Changed, false);
    filter.setStatusShown(SetStatus::Removed, false);
    EXPECT_EQ(shownNames(filter), (QStringList{"newgame", "mspacman"}));

    filter.setStatusShown(SetStatus::Changed, true);
    filter.setSearchText("PAC-MAN");
    EXPECT_EQ(shownNames(filter), (QStringList{"pacman", "mspacman"})) << "descriptions, letter case ignored";
    filter.setSearchText("  Galax ");
    EXPECT_EQ(shownNames(filter), QStringList{"galaxian"}) << "names; surrounding blanks ignored";
    filter.setSearchText("oldgame");
    EXPECT_EQ(shownNames(filter), QStringList{}) << "removed sets stay hidden";
    filter.setSearchText("");
    EXPECT_EQ(filter.rowCount(), 4);
}

TEST_F(SetsTable, ExportsTheTableAsShownWithQuotingReadBackExactly)
{
    filter.setStatusShown(SetStatus::Renamed, false);
    filter.setSearchText("a");
    const QString path = folder.filePath("diff.csv");
    writeFile(path, "an older export that is much longer than the new one\r\n");
    ASSERT_TRUE(ExportCsv(filter, path).ok());
    EXPECT_EQ(readAll(path), "Name,Description,Status,Parent,Added,Removed,Renamed\r\n"
                             "newgame,\"New Game, \"\"deluxe\"\"\",New,,2,0,0\r\n"
                             "pacman,Pac-Man (Midway),Changed,,1,1,1\r\n"
                             "galaxian,\"Galaxian\nPart Two\",Changed,,1,0,0\r\n"
                             "oldgame,Old Game,Removed,pacman,0,1,0\r\n");
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList{"diff.csv"}) << "no temporary file left";
}

TEST_F(SetsTable, AWriteThatFailsLeavesTheUsersFileAndSaysWhy)
{
    const QString path = folder.filePath("diff.csv");
    writeFile(path, "the user's file\r\n");

    const ChildOutcome unwritable = RunUnderFileSizeLimit(64, [&] { return ExportCsv(filter, path); });
    EXPECT_TRUE(unwritable.finished);
    EXPECT_FALSE(unwritable.ok);
    EXPECT_TRUE(unwritable.reason.startsWith(path + ": File too large")) << unwritable.reason.toStdString();

    DiffResults withReport;
    withReport.readableReport = QByteArray(4096, 'r');
    const ChildOutcome report = RunUnderFileSizeLimit(64, [&] { return SaveReadableReport(withReport, path); });
    EXPECT_TRUE(report.finished);
    EXPECT_FALSE(report.ok);
    EXPECT_TRUE(report.reason.startsWith(path + ": File too large")) << report.reason.toStdString();

    EXPECT_EQ(readAll(path), "the user's file\r\n");
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList{"diff.csv"});

    const Outcome noFolder = ExportCsv(filter, folder.filePath("gone/diff.csv"));
    EXPECT_FALSE(noFolder.ok());
    EXPECT_FALSE(noFolder.reason().isEmpty());
}
