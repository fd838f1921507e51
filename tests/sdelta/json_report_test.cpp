// The JSON report of the real setdelta binary: its content, its escaping, and that it is
// complete or absent like the run's other outputs.
#include "test_support.h"

#include <algorithm>
#include <nlohmann/json.hpp>

namespace setdelta::test {
namespace {

using Json = nlohmann::json;

// Disks and samples of one machine, in listxml.
const std::string oldList = R"xml(<mame build="0.1 (x)"><machine name="g">
<disk name="d" sha1="0123456789abcdef0123456789abcdef01234567"/><sample name="s1.wav"/></machine></mame>)xml";
const std::string newList = R"xml(<mame build="0.2 (y)"><machine name="g">
<disk name="d" md5="0123456789abcdef0123456789abcdef" status="nodump"/>
<sample name="s1.wav"/><sample name="s2.wav"/></machine></mame>)xml";

class JsonReport : public SmallDatsTest {
protected:
    Json report(const std::string& name = "report.json") { return Json::parse(readFile(folder_.file(name))); }
};

TEST_F(JsonReport, HoldsInputsOptionsCountsAndEverySetInEveryDetail)
{
    ToolRun result = run({"-r", "-d4", "--json", "report.json", "old.dat", "new.xml"});
    ASSERT_EQ(result.status, ExitSuccess) << result.err;
    EXPECT_NE(result.out.find("setdelta.log and report.json\nJSON report written in "), std::string::npos) << result.out;
    Json expected = R"({
      "format": "setdelta-report", "version": 1, "setdelta_version": "1.0.0",
      "old": {"file": "old.dat", "entry": null, "format": "clrmamepro", "name": "Old", "version": "1", "sets": 3, "objects": 4},
      "new": {"file": "new.xml", "entry": null, "format": "xml-datafile", "name": "New", "version": "2", "sets": 3, "objects": 4},
      "options": {"set_type": "split", "delta": 4, "objects": "rom", "renames": true, "nodump": false, "bios_in_sets": false},
      "summary": {"new_sets": 1, "removed_sets": 1, "changed_sets": 2, "renamed_sets": 1,
                  "added_objects": 1, "removed_objects": 1, "renamed_objects": 1},
      "sets": [
        {"name": "c", "description": "Game \"C\"", "parent": "a", "status": "new",
         "objects": [{"kind": "rom", "name": "c1", "size": 5, "crc": "00000005",
                      "md5": "00112233445566778899aabbccddeeff", "flags": ["optional"]}]},
        {"name": "a", "description": "Game A", "parent": null, "status": "changed",
         "added": [{"kind": "rom", "name": "a3", "size": 3, "crc": "0000000a",
                    "sha1": "00112233445566778899aabbccddeeff00112233", "flags": ["baddump"]}],
         "removed": [{"kind": "rom", "name": "a2", "size": 2, "crc": "00000002"}],
         "renamed": []},
        {"name": "r", "description": "Renamed", "parent": null, "status": "renamed", "added": [], "removed": [],
         "renamed": [{"from": {"kind": "rom", "name": "r1", "size": 4, "crc": "00000004"},
                      "to": {"kind": "rom", "name": "r2", "size": 4, "crc": "00000004"}}]},
        {"name": "b", "description": "Game B", "parent": null, "status": "removed",
         "objects": [{"kind": "rom", "name": "b1", "size": 1, "crc": "0000000b"}]}
      ]})"_json;
    EXPECT_EQ(report(), expected) << report().dump(2);
}

// The fields that depend on the switches and the inputs, each at its JSON pointer.
TEST_F(JsonReport, FollowsTheSwitchesAndInputsOfTheRun)
{
    folder_.write("old-list.xml", oldList);
    folder_.write("new-list.xml", newList);
    const std::vector<std::tuple<std::vector<std::string>, std::string, Json>> rows = {
        {{"-m", "-z", "-b", "--json=report.json", "old.dat", "new.xml"}, "/options",
         R"j({"set_type": "merged", "delta": 2, "objects": "rom", "renames": false, "nodump": true,
             "bios_in_sets": true})j"_json},
        // Merged, the clone c is part of a; without -r the rename in r is no difference.
        {{"-m", "--json", "report.json", "old.dat", "new.xml"}, "/summary",
         R"j({"new_sets": 0, "removed_sets": 1, "changed_sets": 1, "renamed_sets": 0,
             "added_objects": 2, "removed_objects": 1, "renamed_objects": 0})j"_json},
        {{"-z", "-o", "disk", "--json", "report.json", "old-list.xml", "new-list.xml"}, "/old",
         R"j({"file": "old-list.xml", "entry": null, "format": "listxml", "build": "0.1 (x)", "sets": 1,
             "objects": 1})j"_json},
        {{"-z", "-o", "disk", "--json", "report.json", "old-list.xml", "new-list.xml"}, "/sets/0",
         R"j({"name": "g", "description": "", "parent": null, "status": "changed", "renamed": [],
             "removed": [{"kind": "disk", "name": "d", "sha1": "0123456789abcdef0123456789abcdef01234567"}],
             "added": [{"kind": "disk", "name": "d", "md5": "0123456789abcdef0123456789abcdef",
                        "flags": ["nodump"]}]})j"_json},
        {{"-o", "sample", "--json", "report.json", "old-list.xml", "new-list.xml"}, "/sets/0/added",
         R"j([{"kind": "sample", "name": "s2.wav"}])j"_json},
        {{"--json", "report.json", "old.dat", "old.dat"}, "/sets", Json::array()},
    };
    for (const auto& [arguments, pointer, expected] : rows) {
        SCOPED_TRACE(testing::PrintToString(arguments) + " " + pointer);
        ASSERT_EQ(run(arguments).status, ExitSuccess);
        EXPECT_EQ(report()[Json::json_pointer(pointer)], expected);
    }
}

// Names as DATs have them: quoting characters, the control characters a text DAT may quote
// (other ones make it binary, and XML has none), UTF-8 up to U+10FFFF, and bytes that are not
// UTF-8 (Latin-1 in older DATs), which are written as the Latin-1 characters they stand for.
TEST_F(JsonReport, EscapesEveryNameAndWritesLatin1AsUtf8)
{
    const std::vector<std::pair<std::string, std::string>> names = {
        {R"(quote\"d)", "quote\"d"}, {R"(back\\slash\n)", "back\\slash\\n"},
        {"tab\there\fform\vtab\nline\x7f", "tab\there\fform\vtab\nline\x7f"},
        {"Pok\xC3\xA9mon \xE6\x97\xA5 \xF0\x9F\x8E\xAE \xF4\x8F\xBF\xBF", "Pok\xC3\xA9mon \xE6\x97\xA5 \xF0\x9F\x8E\xAE \xF4\x8F\xBF\xBF"},
        {"Pok\xE9mon", "Pok\xC3\xA9mon"}, {"lone\x80", "lone\xC2\x80"}, {"cut\xE6\x97", "cut\xC3\xA6\xC2\x97"},
        {"overlong\xC0\xAF", "overlong\xC3\x80\xC2\xAF"},
        {"surrogate\xED\xA0\x80", "surrogate\xC3\xAD\xC2\xA0\xC2\x80"},
        {"beyond\xF4\x90\x80\x80", "beyond\xC3\xB4\xC2\x90\xC2\x80\xC2\x80"},
    };
    std::string dat = "clrmamepro ( name \"Caf\xE9\" )\n";
    for (std::size_t i = 0; i < names.size(); ++i)
        dat += "game ( name \"" + names[i].first + "\" description \"" + names[i].first + "\" rom ( name \"" +
               names[i].first + "\" size 1 crc " + std::to_string(i + 1) + " ) )\n";
    std::string newPath = folder_.write("new-\xE9.dat", dat);
    ASSERT_EQ(run({"--json", "report.json", old_, newPath}).status, ExitSuccess);

    Json json = report();
    EXPECT_EQ(json["new"]["name"], "Caf\xC3\xA9");
    EXPECT_EQ(json["new"]["file"], (folder_.path() / "new-\xC3\xA9.dat").string());
    ASSERT_EQ(json["sets"].size(), names.size() + 3) << "and the three sets of OLD, removed";
    for (std::size_t i = 0; i < names.size(); ++i)
        for (const char* pointer : {"/name", "/description", "/objects/0/name"})
            EXPECT_EQ(json["sets"][i][Json::json_pointer(pointer)], names[i].second) << i << pointer;
    std::string text = readFile(folder_.file("report.json"));
    EXPECT_NE(text.find(R"("quote\"d")"), std::string::npos);
    EXPECT_NE(text.find(R"("tab\there\fform\u000btab\nline)"), std::string::npos);
}

// A failed run leaves only the inputs and the log saying why: no result, no report (not even
// the one of an earlier run), no temporary file.
TEST_F(JsonReport, FullDiskWhileWritingTheReportLeavesNoReport)
{
    // Enough sets that the report is larger than the DAT and the log.
    folder_.write("new.xml", manySets(2000));
    ASSERT_EQ(run({"--json", "report.json", old_, new_}).status, ExitSuccess);
    auto largestOther = std::max(std::filesystem::file_size(folder_.file("setdelta.dat")),
                                 std::filesystem::file_size(folder_.file("setdelta.log")));
    ASSERT_GT(std::filesystem::file_size(folder_.file("report.json")), largestOther + 1024);
    std::filesystem::remove(folder_.file("setdelta.dat"));

    ToolRun result = run({"--json", "report.json", old_, new_}, {.fileSize = largestOther + 512});
    EXPECT_EQ(result.status, ExitOutput);
    EXPECT_NE(result.err.find("File too large"), std::string::npos) << result.err;
    expectOnly({"new.xml", "old.dat", "setdelta.log"});
}

} // namespace
} // namespace setdelta::test
