// The real setdelta binary, run in temporary folders: outputs, the JSON report, exit statuses, bad
// input, zipped and gzipped inputs, and runs that end early (no memory, a full disk, a signal); and
// the whole program in this process, with and without its second thread.
#include "output_file.h"
#include "parallel.h"
#include "test_support.h"

#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <nlohmann/json.hpp>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace setdelta::test {
namespace {

using Json = nlohmann::json;

// A text OLD and an XML NEW, which differ in sets new, removed, changed and renamed.
const std::string smallOld = "clrmamepro ( name Old version 1 )\n"
                             "game ( name a description \"Game A\" rom ( name a1 size 1 crc 1 ) rom ( name a2 size 2 crc 2 ) )\n"
                             "game ( name b description \"Game B\" rom ( name b1 size 1 crc 0000000b ) )\n"
                             "game ( name r description Renamed rom ( name r1 size 4 crc 4 ) )\n";
const std::string smallNew = R"xml(<?xml version="1.0"?>
<datafile><header><name>New</name><version>2</version></header>
<game name="a"><description>Game A</description><rom name="a1" size="1" crc="1"/>
  <rom name="a3" size="3" crc="0000000A" sha1="00112233445566778899AABBCCDDEEFF00112233" status="baddump"/></game>
<game name="c" cloneof="a"><description>Game "C"</description>
  <rom name="c1" size="5" crc="5" md5="00112233445566778899aabbccddeeff" optional="yes"/></game>
<game name="r"><description>Renamed</description><rom name="r2" size="4" crc="4"/></game>
</datafile>)xml";
// Disks and samples of one machine, in listxml.
const std::string oldList = R"xml(<mame build="0.1 (x)"><machine name="g">
<disk name="d" sha1="0123456789abcdef0123456789abcdef01234567"/><sample name="s1.wav"/></machine></mame>)xml";
const std::string newList = R"xml(<mame build="0.2 (y)"><machine name="g">
<disk name="d" md5="0123456789abcdef0123456789abcdef" status="nodump"/>
<sample name="s1.wav"/><sample name="s2.wav"/></machine></mame>)xml";

// The default -d2 result of the two small DATs.
const std::string expectedResult =
    "game (\r\n\tname a\r\n\tdescription \"Game A\"\r\n\trom ( name a3 size 3 crc 0000000a sha1 "
    "00112233445566778899aabbccddeeff00112233 status baddump )\r\n)\r\n\r\ngame (\r\n\tname c\r\n"
    "\tdescription \"Game \\\"C\\\"\"\r\n\tcloneof a\r\n\trom ( name c1 size 5 crc 00000005 md5 "
    "00112233445566778899aabbccddeeff flags optional )\r\n)\r\n\r\n";

class Tool : public ToolTest {
protected:
    // A failed run says why (a bad input also in the log) and leaves no result: the one of an
    // earlier run is gone as well.
    ToolRun expectFailure(const std::vector<std::string>& arguments, int status, const std::string& reason)
    {
        folder_.write("setdelta.dat", "earlier result");
        ToolRun result = run(arguments);
        EXPECT_EQ(result.status, status) << result.err;
        EXPECT_NE(result.err.find(reason), std::string::npos) << result.err;
        EXPECT_FALSE(std::filesystem::exists(folder_.file("setdelta.dat")));
        EXPECT_TRUE(status != ExitInput || readFile(folder_.file("setdelta.log")).find(reason) != std::string::npos);
        return result;
    }
    Json report(const std::string& name = "report.json") { return Json::parse(readFile(folder_.file(name))); }

    std::string old_ = folder_.write("old.dat", smallOld);
    std::string new_ = folder_.write("new.xml", smallNew);
};
using JsonReport = Tool;

TEST_F(Tool, WritesTheDifferenceDatAndTheReport)
{
    ToolRun result = run({"-d2", old_, new_});
    ASSERT_EQ(result.status, ExitSuccess) << result.err;
    EXPECT_NE(result.out.find("New sets: 1, removed sets: 1, changed sets: 1"), std::string::npos) << result.out;
    EXPECT_EQ(readFile(folder_.file("setdelta.dat")), expectedResult);
    std::string log = readFile(folder_.file("setdelta.log"));
    for (const std::string& expected : {"Old DAT: " + old_, std::string("'New' version 2"), std::string("New sets (1)"),
                                        std::string("  c  \"Game \"C\"\""), std::string("added    a3")})
        EXPECT_NE(log.find(expected), std::string::npos) << expected << "\n" << log;
    expectOnly({"new.xml", "old.dat", "setdelta.dat", "setdelta.log"});

    ASSERT_EQ(run({"-d4", "-m", "-d1", "-s", old_, new_}).status, ExitSuccess);
    EXPECT_NE(readFile(folder_.file("setdelta.dat")).find("a1"), std::string::npos) << "the last -d wins: -d1";
    ASSERT_EQ(run({old_, old_}).status, ExitSuccess);
    EXPECT_EQ(readFile(folder_.file("setdelta.dat")), "") << "no difference, no set";

    folder_.write("setdelta.dat", smallOld);
    ASSERT_EQ(run({"setdelta.dat", new_}).status, ExitSuccess) << "the last result compared with a new DAT";
    EXPECT_EQ(readFile(folder_.file("setdelta.dat")), expectedResult);
}

// The single DAT of an archive is read and named in the summary, the log and the report; the
// byte order mark of the gzipped DAT is skipped in the decompressed stream.
TEST_F(Tool, ReadsZippedAndGzippedDats)
{
    writeZip(folder_.file("old.zip"), {{"readme.txt", "not a DAT"}, {"sub/old.dat", smallOld}});
    writeGzip(folder_.file("new.xml.gz"), "\xEF\xBB\xBF" + smallNew);
    ToolRun result = run({"--json", "report.json", "old.zip", "new.xml.gz"});
    ASSERT_EQ(result.status, ExitSuccess) << result.err;
    EXPECT_EQ(readFile(folder_.file("setdelta.dat")), expectedResult);
    EXPECT_EQ(report()["old"]["file"], "old.zip");
    EXPECT_EQ(report()["old"]["entry"], "sub/old.dat");
    EXPECT_EQ(report()["new"]["entry"], nullptr);
    EXPECT_NE(result.out.find("old old.zip (entry sub/old.dat) (ClrMamePro text, 'Old'"), std::string::npos);
    EXPECT_NE(readFile(folder_.file("setdelta.log")).find("Old DAT: old.zip (entry sub/old.dat)"), std::string::npos);

    writeZip(folder_.file("pair.zip"), {{"old.dat", smallOld}, {"new.xml", smallNew}});
    ASSERT_EQ(run({"--old-entry", "old.dat", "--new-entry=new.xml", "pair.zip", "pair.zip"}).status, ExitSuccess);
    EXPECT_EQ(readFile(folder_.file("setdelta.dat")), expectedResult);
}

// Devices whose romof names another device, with the ROM they share marked: a non-merged update
// writes the new device whole.
TEST_F(Tool, NonMergedDevicesKeepTheirMarkedRoms)
{
    folder_.write("old-kbd.xml", R"xml(<mame build="0.139"><machine name="a2000kbd_us" isdevice="yes" runnable="no">
<rom name="6570-036" size="2048" crc="4a3fc332"/></machine></mame>)xml");
    folder_.write("new-kbd.xml", R"xml(<mame build="0.251"><machine name="a2000kbd_us" isdevice="yes" runnable="no">
<rom name="6570-036" size="2048" crc="4a3fc332"/></machine>
<machine name="a500kbd_ch" isdevice="yes" runnable="no" romof="a2000kbd_us">
<rom name="6570-036" merge="6570-036" size="2048" crc="4a3fc332"/></machine></mame>)xml");
    ToolRun result = run({"-n", "-d2", "old-kbd.xml", "new-kbd.xml"});
    ASSERT_EQ(result.status, ExitSuccess) << result.err;
    EXPECT_EQ(readFile(folder_.file("setdelta.dat")),
              "game (\r\n\tname a500kbd_ch\r\n\tromof a2000kbd_us\r\n\tisdevice yes\r\n\trom ( name 6570-036 size 2048 "
              "crc 4a3fc332 merge 6570-036 )\r\n)\r\n\r\n");
}

// A dropped alias (one content under two names, NEW keeping one) is a removed ROM, never a
// rename onto the name both DATs list: with -r nothing is fetched, and the log and the report
// say where the removed ROM's content stays.
TEST_F(JsonReport, DroppedAliasIsRemovedWhileItsContentStays)
{
    folder_.write("old-alias.xml", R"xml(<datafile><game name="4play"><rom name="c1.rom" size="4" crc="7ee8cdcd"/>
<rom name="c2.rom" size="4" crc="7ee8cdcd"/><rom name="p1.rom" size="4" crc="3c3d741b"/></game></datafile>)xml");
    folder_.write("new-alias.xml", R"xml(<datafile><game name="4play"><rom name="c1.rom" size="4" crc="7ee8cdcd"/>
<rom name="p1.rom" size="4" crc="3c3d741b"/></game></datafile>)xml");
    ToolRun result = run({"-s", "-d2", "-r", "--json", "report.json", "old-alias.xml", "new-alias.xml"});
    ASSERT_EQ(result.status, ExitSuccess) << result.err;
    EXPECT_EQ(readFile(folder_.file("setdelta.dat")), "");
    std::string log = readFile(folder_.file("setdelta.log"));
    EXPECT_NE(log.find("  4play\n    removed  c2.rom (size 4, crc 7ee8cdcd), its content stays under c1.rom\n\n"),
              std::string::npos)
        << log;
    EXPECT_EQ(report()["sets"], R"([{"name": "4play", "description": "", "parent": null, "status": "changed",
      "added": [], "renamed": [], "removed": [{"kind": "rom", "name": "c2.rom", "size": 4, "crc": "7ee8cdcd",
                                              "content_kept_as": "c1.rom"}]}])"_json);
    EXPECT_EQ(report()["summary"]["removed_objects"], 1);
    EXPECT_EQ(report()["summary"]["renamed_objects"], 0);
}

// A set renamed with its ROMs: the log counts and lists the move with its objects and marks the
// moved sets in the lists of new and removed sets; the report has the same in `moved_sets`.
TEST_F(JsonReport, MovedSetsInTheLogAndTheReport)
{
    folder_.write("old-moved.dat", "game ( name sf1 description \"Street Fighter\" rom ( name a size 1 crc 1 )\n"
                                   "  rom ( name b size 1 crc 2 ) rom ( name c size 1 crc 3 ) )\n");
    folder_.write("new-moved.dat", "game ( name sf description \"Street Fighter (US)\" rom ( name a size 1 crc 1 )\n"
                                   "  rom ( name bb size 1 crc 2 ) rom ( name d size 1 crc 4 ) )\n");
    ToolRun result = run({"--json", "report.json", "old-moved.dat", "new-moved.dat"});
    ASSERT_EQ(result.status, ExitSuccess) << result.err;
    std::string log = readFile(folder_.file("setdelta.log"));
    for (const char* expected :
         {"  moved sets:     1\n", "New sets (1)\n  sf  \"Street Fighter (US)\"  (moved from sf1)\n",
          "Removed sets (1)\n  sf1  \"Street Fighter\"  (moved to sf)\n",
          "Moved sets (1)\n  sf1 -> sf (2 of 4 contents shared)\n    added    d (size 1, crc 00000004)\n"
          "    removed  c (size 1, crc 00000003)\n    renamed  b -> bb (size 1, crc 00000002)\n\n"})
        EXPECT_NE(log.find(expected), std::string::npos) << expected << "\n" << log;
    EXPECT_EQ(readFile(folder_.file("setdelta.dat")).find("name sf\r\n") != std::string::npos, true)
        << "the moved set is still new in setdelta.dat";
    Json rom = R"({"kind": "rom", "name": "", "size": 1, "crc": ""})"_json;
    auto object = [&](const char* name, const char* crc) {
        Json json = rom;
        json["name"] = name;
        json["crc"] = crc;
        return json;
    };
    Json expected = {{"old", {{"name", "sf1"}, {"description", "Street Fighter"}}},
                     {"new", {{"name", "sf"}, {"description", "Street Fighter (US)"}}},
                     {"shared_contents", 2}, {"old_contents", 3}, {"new_contents", 3},
                     {"kept", {object("a", "00000001")}},
                     {"added", {object("d", "00000004")}}, {"removed", {object("c", "00000003")}},
                     {"renamed", {{{"from", object("b", "00000002")}, {"to", object("bb", "00000002")}}}}};
    Json written = report();
    EXPECT_EQ(written["version"], 2);
    EXPECT_EQ(written["moved_sets"], Json::array({expected})) << written["moved_sets"].dump(2);
    EXPECT_EQ(written["summary"]["moved_sets"], 1);
    EXPECT_EQ(written["summary"]["removed_sets"], 1) << "a moved set still counts as removed";
    EXPECT_EQ(written["sets"][0]["moved_from"], "sf1");
    EXPECT_EQ(written["sets"][1]["moved_to"], "sf");
}

// Also a report in the place of an input or of another output; the inputs stay as they were.
// An earlier run's result and log go, so that neither passes for this run's, unless the
// arguments name them: they may be inputs.
TEST_F(Tool, UsageErrorsExitWithOneAndSayWhy)
{
    const std::string usage = "Usage: setdelta";
    std::vector<std::pair<std::vector<std::string>, std::string>> rows = {
        {{}, usage}, {{old_}, usage}, {{"-x", old_, new_}, usage}, {{"-o", "rom", old_, new_}, usage},
        {{old_, new_, new_}, usage}, {{"-o"}, usage}, {{old_, new_, "--json"}, usage}, {{"--json=", old_, new_}, usage},
        {{"--json", old_, new_}, usage}, {{old_, new_, "--new-entry"}, usage},
    };
    for (const std::string& report : {std::string("old.dat"), old_, std::string("./new.xml"), std::string("setdelta.dat"),
                                      folder_.file("setdelta.log").string()})
        rows.push_back({{"--json", report, "old.dat", "new.xml"}, "the report needs a file of its own"});
    for (const auto& [arguments, reason] : rows) {
        folder_.write("setdelta.dat", "earlier");
        folder_.write("setdelta.log", "earlier");
        ToolRun result = run(arguments);
        EXPECT_EQ(result.status, ExitUsage) << testing::PrintToString(arguments);
        EXPECT_NE(result.err.find(reason), std::string::npos) << result.err;
        for (const std::string output : {"setdelta.dat", "setdelta.log"}) {
            const bool named = std::ranges::any_of(arguments, [&](const std::string& a) { return a.ends_with(output); });
            EXPECT_EQ(std::filesystem::exists(folder_.file(output)), named) << output;
            std::filesystem::remove(folder_.file(output));
        }
    }
    EXPECT_EQ(readFile(old_), smallOld);
    EXPECT_EQ(readFile(new_), smallNew);
    expectOnly({"new.xml", "old.dat"});
}

TEST_F(Tool, BadInputsExitWithTwoAndLeaveNoDat)
{
    std::filesystem::create_directory(folder_.file("folder.dat"));
    folder_.write("empty.dat", "");
    folder_.write("garbage.dat", std::string("\x7f" "ELF\x02\x01\x01\0\0\0", 10));
    folder_.write("truncated.xml", smallNew.substr(0, smallNew.size() / 2));
    folder_.write("unbalanced.dat", "game ( name a rom ( name a1 size 1 crc 1 )\n");
    writeZip(folder_.file("pair.zip"), {{"old.dat", smallOld}, {"new.xml", smallNew}});
    const std::string big = manySets(2000);
    writeZip(folder_.file("good.zip"), {{"big.dat", big}});
    writeGzip(folder_.file("big.dat.gz"), big);
    std::string zipped = readFile(folder_.file("good.zip"));
    std::string gzipped = readFile(folder_.file("big.dat.gz"));
    auto damage = [](std::string bytes, std::size_t at) { return bytes.replace(at, 1, 1, static_cast<char>(bytes[at] ^ 0x55)); };
    folder_.write("damaged.zip", damage(zipped, zipped.size() / 2));
    folder_.write("truncated.zip", zipped.substr(0, zipped.size() - 30));
    folder_.write("empty.zip", std::string("PK\x05\x06", 4) + std::string(18, '\0'));
    folder_.write("truncated.gz", gzipped.substr(0, gzipped.size() / 2));
    folder_.write("damaged.gz", damage(gzipped, gzipped.size() - 6));
    ASSERT_EQ(run({"old.dat", "good.zip"}).status, ExitSuccess);
    ASSERT_EQ(run({"old.dat", "big.dat.gz"}).status, ExitSuccess);

    const std::vector<std::pair<std::string, std::string>> inputs = {
        {"empty.dat", "the file is empty"}, {"garbage.dat", "binary data"}, {"truncated.xml", "XML error"},
        {"unbalanced.dat", "unbalanced parentheses"}, {"missing.dat", "cannot open: No such file"},
        {"folder.dat", "is a folder"}, {"damaged.zip", "damaged zip archive"},
        {"truncated.zip", "cannot open the zip archive"}, {"empty.zip", "the zip archive is empty"},
        {"truncated.gz", "the gzip data ends early"}, {"damaged.gz", "damaged gzip data"},
    };
    for (const auto& [input, reason] : inputs) {
        SCOPED_TRACE(input);
        EXPECT_NE(expectFailure({"old.dat", input}, ExitInput, reason).err.find(input), std::string::npos);
    }
    expectFailure({"--old-entry", "gone.dat", "--new-entry=new.xml", "pair.zip", "pair.zip"}, ExitInput,
                  "pair.zip: the archive has no entry 'gone.dat'; it holds: old.dat, new.xml");
    expectFailure({"pair.zip", "pair.zip"}, ExitUsage,
                  "pair.zip holds several DATs: old.dat, new.xml; choose one with --old-entry NAME");
    expectFailure({"--old-entry", "x.dat", "old.dat", "old.dat"}, ExitUsage, "old.dat is not a zip archive");
}

// Run as an ordinary user, whom folder permissions stop (root is not stopped by them): a folder
// in the result's place, a folder of the user's that they may not write to, a report in such a
// folder or in one that does not exist.
TEST_F(Tool, OutputsTheUserMayNotWriteExitWithThree)
{
    namespace fs = std::filesystem;
    const fs::perms othersEnter = fs::perms::owner_read | fs::perms::owner_exec | fs::perms::others_read | fs::perms::others_exec;
    fs::permissions(folder_.path(), othersEnter | fs::perms::owner_write);
    for (const char* name : {"work", "locked", "taken", "taken/setdelta.dat"})
        fs::create_directory(folder_.file(name));
    for (const char* name : {"work", "taken"})
        fs::permissions(folder_.file(name), fs::perms::all);
    fs::permissions(folder_.file("locked"), othersEnter);
    const std::vector<std::tuple<std::string, std::vector<std::string>, std::string>> rows = {
        {"taken", {"--json", "report.json"}, "cannot replace setdelta.dat: Is a directory"},
        {"locked", {}, "cannot create setdelta.dat: Permission denied"},
        {"work", {"--json", "../locked/report.json"}, "cannot create ../locked/report.json: Permission denied"},
        {"work", {"--json", "missing/report.json"}, "cannot create missing/report.json: No such file or directory"},
    };
    for (auto [folder, arguments, reason] : rows) {
        arguments.insert(arguments.end(), {old_, new_});
        ToolRun result = runTool(folder_.file(folder), arguments, {.ordinaryUser = true});
        EXPECT_EQ(result.status, ExitOutput);
        EXPECT_NE(result.err.find(reason), std::string::npos) << result.err;
        EXPECT_FALSE(fs::is_regular_file(folder_.file(folder + "/setdelta.dat"))) << folder;
    }
    EXPECT_TRUE(fs::is_empty(folder_.file("locked")));
    EXPECT_EQ(entriesOf(folder_.file("taken")), (std::vector<std::string>{"setdelta.dat", "setdelta.log"}));
}

TEST_F(JsonReport, HoldsInputsOptionsCountsAndEverySetInEveryDetail)
{
    ToolRun result = run({"-r", "-d4", "--json", "report.json", "old.dat", "new.xml"});
    ASSERT_EQ(result.status, ExitSuccess) << result.err;
    EXPECT_NE(result.out.find("setdelta.log and report.json\nJSON report written in "), std::string::npos) << result.out;
    Json expected = R"({
      "format": "setdelta-report", "version": 2, "setdelta_version": "1.0.0",
      "old": {"file": "old.dat", "entry": null, "format": "clrmamepro", "name": "Old", "version": "1", "sets": 3, "objects": 4},
      "new": {"file": "new.xml", "entry": null, "format": "xml-datafile", "name": "New", "version": "2", "sets": 3, "objects": 4},
      "options": {"set_type": "split", "delta": 4, "objects": "rom", "renames": true, "nodump": false, "bios_in_sets": false},
      "summary": {"new_sets": 1, "removed_sets": 1, "changed_sets": 2, "renamed_sets": 1,
                  "added_objects": 1, "removed_objects": 1, "renamed_objects": 1, "moved_sets": 0},
      "moved_sets": [],
      "sets": [
        {"name": "c", "description": "Game \"C\"", "parent": "a", "status": "new", "objects": [{"kind": "rom",
          "name": "c1", "size": 5, "crc": "00000005", "md5": "00112233445566778899aabbccddeeff", "flags": ["optional"]}]},
        {"name": "a", "description": "Game A", "parent": null, "status": "changed", "renamed": [],
         "added": [{"kind": "rom", "name": "a3", "size": 3, "crc": "0000000a",
                    "sha1": "00112233445566778899aabbccddeeff00112233", "flags": ["baddump"]}],
         "removed": [{"kind": "rom", "name": "a2", "size": 2, "crc": "00000002"}]},
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
             "added_objects": 2, "removed_objects": 1, "renamed_objects": 0, "moved_sets": 0})j"_json},
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
        {"overlong\xC0\xAF", "overlong\xC3\x80\xC2\xAF"}, {"surrogate\xED\xA0\x80", "surrogate\xC3\xAD\xC2\xA0\xC2\x80"},
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

constexpr int exitOnSigterm = 128 + SIGTERM;

class FailurePaths : public ToolTest {
protected:
    void SetUp() override
    {
        folder_.write("setdelta.dat", "a result of an earlier run");
        folder_.write("old.dat", manySets(10));
    }

    // Only the inputs and a log remain: no result, old or new, and no temporary file.
    void expectNoResultLeft()
    {
        std::filesystem::remove(folder_.file("setdelta.log"));
        expectOnly({"new.dat", "old.dat"});
    }
};

TEST_F(FailurePaths, RunningOutOfMemoryOrDiskLeavesNoResult)
{
    for (const auto& [sets, limits, reason] : std::vector<std::tuple<int, ToolLimits, std::string>>{
             {150000, {.addressSpace = rlim_t{64} << 20}, "out of memory"},
             {20000, {.fileSize = 64 * 1024}, "File too large"},
             {10, {.failingFlush = FailingFlush::Files}, "cannot write setdelta.log: Input/output error"},
             {10, {.failingFlush = FailingFlush::Folder}, "cannot flush the folder of setdelta.log: Input/output error"}}) {
#if defined(TOOL_HAS_ADDRESS_SANITIZER)
        // AddressSanitizer reserves terabytes of address space, so the tool cannot start under a limit.
        if (limits.addressSpace != RLIM_INFINITY)
            continue;
#endif
        folder_.write("setdelta.dat", "a result of an earlier run");
        folder_.write("new.dat", manySets(sets));
        ToolRun result = run({"old.dat", "new.dat"}, limits);
        EXPECT_TRUE(result.status == ExitOutput || (result.status == ExitInput && reason == "out of memory")) << result.err;
        EXPECT_NE(result.err.find(reason), std::string::npos) << result.err;
        expectNoResultLeft();
    }
}

// The new DAT is large enough that the tool is still reading it when the signal comes, sent as
// soon as the run has removed the earlier result.
TEST_F(FailurePaths, SigtermWhileReadingEndsWithItsStatus)
{
    folder_.write("new.dat", manySets(300000));
    ToolRun result = runTool(folder_.path(), {"old.dat", "new.dat"}, {}, [&](pid_t tool) {
        while (std::filesystem::exists(folder_.file("setdelta.dat")))
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ::kill(tool, SIGTERM);
    });
    EXPECT_EQ(result.status, exitOnSigterm);
    expectNoResultLeft();
}

// A pipe or a device given as a DAT is refused at once: a FIFO nobody writes to would otherwise
// keep the tool waiting for ever. Should it wait, the test ends it after a while and fails.
TEST_F(FailurePaths, InputsThatAreNoRegularFilesAreRefusedWithoutWaiting)
{
    std::string pipe = folder_.file("new.dat").string();
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    auto endIfStillRunning = [](pid_t tool) {
        siginfo_t info{};
        for (int waited = 0; waited < 1000; ++waited) {
            if (::waitid(P_PID, static_cast<id_t>(tool), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == tool)
                return;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        ::kill(tool, SIGKILL);
    };
    for (const auto& [input, reason] : std::vector<std::pair<std::string, std::string>>{
             {"new.dat", "is a pipe (FIFO), not a regular file"}, {"/dev/null", "is a device, not a regular file"}}) {
        ToolRun result = runTool(folder_.path(), {"old.dat", input}, {}, endIfStillRunning);
        EXPECT_EQ(result.status, ExitInput) << input;
        EXPECT_NE(result.err.find(input + ": " + reason), std::string::npos) << result.err;
    }
    expectNoResultLeft();
}

// A small compressed DAT that expands to one word of 64 MiB fails at the limit, long before its
// end, in the memory of an ordinary run.
TEST_F(FailurePaths, ACompressedHugeWordFailsAtTheLimitInBoundedMemory)
{
    ToolLimits limits{.addressSpace = rlim_t{64} << 20};
#if defined(TOOL_HAS_ADDRESS_SANITIZER)
    limits = {};
#endif
    const std::string bomb = "game ( name " + std::string(std::size_t{64} << 20, 'x') + " )\n";
    writeGzip(folder_.file("new.dat"), bomb);
    writeZip(folder_.file("new.zip"), {{"new.dat", bomb}});
    for (const std::string input : {"new.dat", "new.zip"}) {
        ToolRun result = run({"old.dat", input}, limits);
        EXPECT_EQ(result.status, ExitInput) << result.err;
        EXPECT_NE(result.err.find(":1: the line is longer than 1 MiB"), std::string::npos) << result.err;
    }
    std::filesystem::remove(folder_.file("new.zip"));
    expectNoResultLeft();
}

// A run killed outright (SIGKILL) cannot clean up: what it leaves must still not pass for a
// result or a log of its own.
TEST_F(FailurePaths, AKilledRunLeavesNeitherTheEarlierLogNorATemporaryFile)
{
    folder_.write("setdelta.log", "Wrote setdelta.dat (an earlier run)");
    std::string pipe = folder_.file("new.dat").string();
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    int writer = -1;
    ToolRun result = runTool(folder_.path(), {"old.dat", "new.dat"}, {}, [&](pid_t tool) {
        writer = ::open(pipe.c_str(), O_WRONLY);
        while (std::filesystem::exists(folder_.file("setdelta.dat")))
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        ::kill(tool, SIGKILL);
    });
    ::close(writer);
    EXPECT_EQ(result.status, -1);
    expectOnly({"new.dat", "old.dat"});

    pid_t child = ::fork();
    if (child == 0) {
        handleStopSignals();
        OutputFile dat(folder_.file("setdelta.dat").string());
        dat.write(manySets(10));
        OutputFile log(folder_.file("setdelta.log").string());
        ::raise(SIGKILL);
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status));
    expectOnly({"new.dat", "old.dat"});
}

TEST_F(FailurePaths, ALogThatCannotBeWrittenLeavesNone)
{
    folder_.write("setdelta.log", "Wrote setdelta.dat (an earlier run)");
    folder_.write("new.dat", "game ( name cut");
    ToolRun result = run({"old.dat", "new.dat"}, {.fileSize = 0});
    EXPECT_EQ(result.status, ExitInput) << result.err;
    expectOnly({"new.dat", "old.dat"});
}

// A signal while the results are being written takes their temporary files with it.
TEST(StopSignal, WhileWritingRemovesTheTemporaryFiles)
{
    TempFolder folder;
    pid_t child = ::fork();
    if (child == 0) {
        handleStopSignals();
        OutputFile dat(folder.file("setdelta.dat").string());
        dat.write(manySets(10));
        OutputFile log(folder.file("setdelta.log").string());
        ::raise(SIGTERM);
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), exitOnSigterm);
    EXPECT_TRUE(std::filesystem::is_empty(folder.path()));
}

std::jthread noThreadLeft(std::function<void()>)
{
    throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
}

// The whole program in this process, in `folder`, with its second thread started by `start`:
// the exit status, setdelta.dat and setdelta.log.
std::tuple<int, std::string, std::string> runIn(const TempFolder& folder, const ThreadStarter& start)
{
    auto previous = std::filesystem::current_path();
    std::filesystem::current_path(folder.path());
    std::ostringstream out, err;
    int status = runSetdelta(std::vector<std::string_view>{"old.dat", "new.dat"}, out, err, start);
    std::filesystem::current_path(previous);
    return {status, readFile(folder.file("setdelta.dat")), readFile(folder.file("setdelta.log"))};
}

// Where no second thread starts, the run reads, compares and writes the same in one, and a DAT it
// cannot read is an input error either way.
TEST(SecondThread, WithoutOneTheRunGivesTheSameResult)
{
    TempFolder folder;
    folder.write("old.dat", "game ( name alpha rom ( name a1 size 1 crc 11 ) rom ( name a2 size 1 crc 12 ) )\n");
    for (const auto& [newText, status, dat] : std::vector<std::tuple<std::string, int, std::string>>{
             {"game ( name alpha rom ( name a1 size 1 crc 11 ) rom ( name a2 size 1 crc 13 ) )\n", ExitSuccess,
              "game (\r\n\tname alpha\r\n\trom ( name a2 size 1 crc 00000013 )\r\n)\r\n\r\n"},
             {"game ( name x rom ( name x size 1 crc zz ) )", ExitInput, ""}}) {
        folder.write("new.dat", newText);
        auto threaded = runIn(folder, startThread);
        EXPECT_EQ(runIn(folder, noThreadLeft), threaded);
        EXPECT_EQ(std::get<0>(threaded), status);
        EXPECT_EQ(std::get<1>(threaded), dat);
    }
}

} // namespace
} // namespace setdelta::test
