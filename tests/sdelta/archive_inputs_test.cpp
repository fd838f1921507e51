// Zipped and gzipped DATs read directly by the real binary: the single DAT of an archive, a
// chosen one of several, and damaged, truncated and empty archives.
#include "dat_error.h"
#include "dat_loader.h"
#include "program.h"
#include "test_support.h"

#include <gtest/gtest.h>
#include <zip.h>
#include <zlib.h>

namespace setdelta::test {
namespace {

const std::string oldDat = "clrmamepro ( name Old )\n"
                           "game ( name a rom ( name a1 size 1 crc 1 ) )\ngame ( name b rom ( name b1 size 1 crc 2 ) )\n";
const std::string newXml = "<?xml version=\"1.0\"?>\n<datafile><header><name>New</name></header>"
                           "<game name=\"a\"><rom name=\"a1\" size=\"1\" crc=\"1\"/><rom name=\"a2\" size=\"1\" crc=\"3\"/></game>"
                           "<game name=\"b\"><rom name=\"b1\" size=\"1\" crc=\"2\"/></game></datafile>";
const std::string expectedResult = "game (\r\n\tname a\r\n\trom ( name a2 size 1 crc 00000003 )\r\n)\r\n\r\n";

void writeZip(const std::filesystem::path& path, const std::vector<std::pair<std::string, std::string>>& entries)
{
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    ASSERT_NE(archive, nullptr);
    for (const auto& [name, content] : entries) {
        zip_source_t* source = zip_source_buffer(archive, content.data(), content.size(), 0);
        ASSERT_GE(zip_file_add(archive, name.c_str(), source, ZIP_FL_ENC_UTF_8), 0);
    }
    ASSERT_EQ(zip_close(archive), 0);
}

void writeGzip(const std::filesystem::path& path, const std::string& content)
{
    gzFile file = gzopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(gzwrite(file, content.data(), static_cast<unsigned>(content.size())), static_cast<int>(content.size()));
    ASSERT_EQ(gzclose(file), Z_OK);
}

class Archives : public testing::Test {
protected:
    ToolRun run(const std::vector<std::string>& arguments) { return runTool(folder_.path(), arguments); }

    // A failed run leaves no result; the earlier one is gone as well.
    void expectFailure(const ToolRun& result, int status, const std::string& reason)
    {
        EXPECT_EQ(result.status, status) << result.err;
        EXPECT_NE(result.err.find(reason), std::string::npos) << result.err;
        EXPECT_FALSE(std::filesystem::exists(folder_.file("setdelta.dat")));
    }

    void leaveEarlierResult() { folder_.write("setdelta.dat", "earlier"); }

    TempFolder folder_;
};

TEST_F(Archives, TheSingleDatOfAZipIsReadAndNamedInTheSummaryAndReport)
{
    writeZip(folder_.file("old.zip"), {{"readme.txt", "not a DAT"}, {"sub/old.dat", oldDat}});
    writeGzip(folder_.file("new.xml.gz"), newXml);
    ToolRun result = run({"--json", "report.json", "old.zip", "new.xml.gz"});
    ASSERT_EQ(result.status, ExitSuccess) << result.err;
    EXPECT_EQ(readFile(folder_.file("setdelta.dat")), expectedResult);
    std::string report = readFile(folder_.file("report.json"));
    EXPECT_NE(report.find(R"("old":{"file":"old.zip","entry":"sub/old.dat")"), std::string::npos) << report;
    EXPECT_NE(report.find(R"("new":{"file":"new.xml.gz","entry":null)"), std::string::npos) << report;
    EXPECT_NE(result.out.find("old old.zip (entry sub/old.dat) (ClrMamePro text, 'Old'"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("new new.xml.gz (XML datafile, 'New'"), std::string::npos) << result.out;
    std::string log = readFile(folder_.file("setdelta.log"));
    EXPECT_NE(log.find("Old DAT: old.zip (entry sub/old.dat) (ClrMamePro text"), std::string::npos) << log;
}

TEST_F(Archives, SeveralDatsNeedAChosenEntry)
{
    writeZip(folder_.file("pair.zip"), {{"old.dat", oldDat}, {"new.xml", newXml}});
    leaveEarlierResult();
    ToolRun unchosen = run({"pair.zip", "pair.zip"});
    expectFailure(unchosen, ExitUsage, "pair.zip holds several DATs: old.dat, new.xml; choose one with --old-entry NAME");

    ToolRun chosen = run({"--old-entry", "old.dat", "--new-entry=new.xml", "pair.zip", "pair.zip"});
    ASSERT_EQ(chosen.status, ExitSuccess) << chosen.err;
    EXPECT_EQ(readFile(folder_.file("setdelta.dat")), expectedResult);

    expectFailure(run({"--old-entry", "gone.dat", "--new-entry=new.xml", "pair.zip", "pair.zip"}), ExitInput,
                  "pair.zip: the archive has no entry 'gone.dat'; it holds: old.dat, new.xml");
}

TEST_F(Archives, AnEntryNamedForAFileThatIsNoArchiveIsAUsageError)
{
    folder_.write("old.dat", oldDat);
    expectFailure(run({"--old-entry", "x.dat", "old.dat", "old.dat"}), ExitUsage, "old.dat is not a zip archive");
    expectFailure(run({"old.dat", "old.dat", "--new-entry"}), ExitUsage, "--new-entry needs the name of an entry");
}

TEST_F(Archives, DamagedTruncatedAndEmptyArchivesAreInputErrors)
{
    std::string big;
    for (int i = 0; i < 2000; ++i)
        big += "game ( name g" + std::to_string(i) + " rom ( name r" + std::to_string(i * 7919) + " size 1 crc " +
               std::to_string(i) + " ) )\n";
    writeZip(folder_.file("good.zip"), {{"big.dat", big}});
    std::string zipped = readFile(folder_.file("good.zip"));
    std::string damaged = zipped;
    damaged[zipped.size() / 2] = static_cast<char>(damaged[zipped.size() / 2] ^ 0x55);
    folder_.write("damaged.zip", damaged);
    folder_.write("truncated.zip", zipped.substr(0, zipped.size() - 30));
    folder_.write("empty.zip", std::string("PK\x05\x06", 4) + std::string(18, '\0'));
    writeGzip(folder_.file("big.dat.gz"), big);
    std::string gzipped = readFile(folder_.file("big.dat.gz"));
    folder_.write("truncated.gz", gzipped.substr(0, gzipped.size() / 2));
    std::string damagedGzip = gzipped;
    damagedGzip[gzipped.size() - 6] = static_cast<char>(damagedGzip[gzipped.size() - 6] ^ 0x55);
    folder_.write("damaged.gz", damagedGzip);
    folder_.write("old.dat", oldDat);

    ASSERT_EQ(run({"old.dat", "good.zip"}).status, ExitSuccess);
    ASSERT_EQ(run({"old.dat", "big.dat.gz"}).status, ExitSuccess);
    const std::vector<std::pair<std::string, std::string>> bad = {
        {"damaged.zip", "damaged zip archive"},
        {"truncated.zip", "cannot open the zip archive"},
        {"empty.zip", "the zip archive is empty"},
        {"truncated.gz", "the gzip data ends early"},
        {"damaged.gz", "damaged gzip data"},
    };
    for (const auto& [input, reason] : bad) {
        leaveEarlierResult();
        expectFailure(run({"old.dat", input}), ExitInput, input);
        expectFailure(run({"old.dat", input}), ExitInput, reason);
    }
}

TEST(ArchiveReading, FormatDetectionAndByteOrderMarkWorkOnTheStream)
{
    TempFolder folder;
    writeGzip(folder.file("marked.xml.gz"), "\xEF\xBB\xBF" + newXml);
    Dat dat = loadDat(folder.file("marked.xml.gz"), ObjectKind::Rom);
    EXPECT_EQ(dat.format, DatFormat::XmlDatafile);
    EXPECT_EQ(dat.header.name, "New");
    EXPECT_EQ(dat.source.label(), folder.file("marked.xml.gz").string());
}

} // namespace
} // namespace setdelta::test
