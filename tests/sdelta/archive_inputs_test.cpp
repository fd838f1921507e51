// Zipped and gzipped DATs read directly by the real binary: the single DAT of an archive, a
// chosen one of several, and damaged, truncated and empty archives.
#include "program.h"
#include "test_support.h"

#include <gtest/gtest.h>
#include <zip.h>
#include <zlib.h>

namespace setdelta::test {
namespace {

const std::string byteOrderMark = "\xEF\xBB\xBF";
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

class Archives : public ToolTest {
protected:
    // A failed run says why and leaves no result; the one of an earlier run is gone as well.
    void expectFailure(const std::vector<std::string>& arguments, int status, const std::string& reason)
    {
        folder_.write("setdelta.dat", "earlier");
        ToolRun result = run(arguments);
        EXPECT_EQ(result.status, status) << result.err;
        EXPECT_NE(result.err.find(reason), std::string::npos) << result.err;
        EXPECT_FALSE(std::filesystem::exists(folder_.file("setdelta.dat")));
    }
};

// The byte order mark of the gzipped DAT is found and skipped in the decompressed stream.
TEST_F(Archives, TheSingleDatOfAnArchiveIsReadAndNamedInTheSummaryAndReport)
{
    writeZip(folder_.file("old.zip"), {{"readme.txt", "not a DAT"}, {"sub/old.dat", oldDat}});
    writeGzip(folder_.file("new.xml.gz"), byteOrderMark + newXml);
    ToolRun result = run({"--json", "report.json", "old.zip", "new.xml.gz"});
    ASSERT_EQ(result.status, ExitSuccess) << result.err;
    EXPECT_EQ(readFile(folder_.file("setdelta.dat")), expectedResult);
    std::string report = readFile(folder_.file("report.json"));
    EXPECT_NE(report.find(R"("old":{"file":"old.zip","entry":"sub/old.dat")"), std::string::npos) << report;
    EXPECT_NE(report.find(R"("new":{"file":"new.xml.gz","entry":null,"format":"xml-datafile","name":"New")"),
              std::string::npos) << report;
    EXPECT_NE(result.out.find("old old.zip (entry sub/old.dat) (ClrMamePro text, 'Old'"), std::string::npos) << result.out;
    EXPECT_NE(readFile(folder_.file("setdelta.log")).find("Old DAT: old.zip (entry sub/old.dat) (ClrMamePro text"),
              std::string::npos);
}

TEST_F(Archives, SeveralDatsNeedAChosenEntry)
{
    writeZip(folder_.file("pair.zip"), {{"old.dat", oldDat}, {"new.xml", newXml}});
    expectFailure({"pair.zip", "pair.zip"}, ExitUsage,
                  "pair.zip holds several DATs: old.dat, new.xml; choose one with --old-entry NAME");
    ToolRun chosen = run({"--old-entry", "old.dat", "--new-entry=new.xml", "pair.zip", "pair.zip"});
    ASSERT_EQ(chosen.status, ExitSuccess) << chosen.err;
    EXPECT_EQ(readFile(folder_.file("setdelta.dat")), expectedResult);

    expectFailure({"--old-entry", "gone.dat", "--new-entry=new.xml", "pair.zip", "pair.zip"}, ExitInput,
                  "pair.zip: the archive has no entry 'gone.dat'; it holds: old.dat, new.xml");
    folder_.write("old.dat", oldDat);
    expectFailure({"--old-entry", "x.dat", "old.dat", "old.dat"}, ExitUsage, "old.dat is not a zip archive");
}

TEST_F(Archives, DamagedTruncatedAndEmptyArchivesAreInputErrors)
{
    const std::string big = manySets(2000);
    writeZip(folder_.file("good.zip"), {{"big.dat", big}});
    writeGzip(folder_.file("big.dat.gz"), big);
    std::string zipped = readFile(folder_.file("good.zip"));
    std::string gzipped = readFile(folder_.file("big.dat.gz"));
    std::string damaged = zipped;
    damaged[zipped.size() / 2] = static_cast<char>(damaged[zipped.size() / 2] ^ 0x55);
    std::string damagedGzip = gzipped;
    damagedGzip[gzipped.size() - 6] = static_cast<char>(damagedGzip[gzipped.size() - 6] ^ 0x55);
    folder_.write("damaged.zip", damaged);
    folder_.write("truncated.zip", zipped.substr(0, zipped.size() - 30));
    folder_.write("empty.zip", std::string("PK\x05\x06", 4) + std::string(18, '\0'));
    folder_.write("truncated.gz", gzipped.substr(0, gzipped.size() / 2));
    folder_.write("damaged.gz", damagedGzip);
    folder_.write("old.dat", oldDat);

    ASSERT_EQ(run({"old.dat", "good.zip"}).status, ExitSuccess);
    ASSERT_EQ(run({"old.dat", "big.dat.gz"}).status, ExitSuccess);
    for (const auto& [input, reason] : {std::pair{"damaged.zip", "damaged zip archive"},
                                        std::pair{"truncated.zip", "cannot open the zip archive"},
                                        std::pair{"empty.zip", "the zip archive is empty"},
                                        std::pair{"truncated.gz", "the gzip data ends early"},
                                        std::pair{"damaged.gz", "damaged gzip data"}}) {
        expectFailure({"old.dat", input}, ExitInput, input);
        expectFailure({"old.dat", input}, ExitInput, reason);
    }
}

} // namespace
} // namespace setdelta::test
