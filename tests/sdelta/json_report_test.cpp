// The JSON report of the real setdelta binary: its content, its escaping, and that it is
// complete or absent like the run's other outputs.
#include "dat_loader.h"
#include "json_report.h"
#include "program.h"
#include "test_support.h"

#include <algorithm>
#include <fcntl.h>
#include <functional>
#include <grp.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace setdelta::test {
namespace {

using Json = nlohmann::json;

const std::string oldDat = "clrmamepro ( name Old version 1 )\n"
                           "game ( name a description \"Game A\" rom ( name a1 size 1 crc 1 ) rom ( name a2 size 2 crc 2 ) )\n"
                           "game ( name b description \"Game B\" rom ( name b1 size 1 crc 0000000b ) )\n"
                           "game ( name r description Renamed rom ( name r1 size 4 crc 4 ) )\n";
const std::string newXml = R"xml(<?xml version="1.0"?>
<datafile><header><name>New</name><version>2</version></header>
<game name="a"><description>Game A</description><rom name="a1" size="1" crc="1"/>
  <rom name="a3" size="3" crc="0000000A" sha1="00112233445566778899AABBCCDDEEFF00112233" status="baddump"/></game>
<game name="c" cloneof="a"><description>Game C</description>
  <rom name="c1" size="5" crc="5" md5="00112233445566778899aabbccddeeff" optional="yes"/></game>
<game name="r"><description>Renamed</description><rom name="r2" size="4" crc="4"/></game>
</datafile>)xml";

class JsonReport : public testing::Test {
protected:
    ToolRun run(std::vector<std::string> arguments) { return runTool(folder_.path(), arguments); }
    Json report(const std::string& name = "report.json") { return Json::parse(readFile(folder_.file(name))); }

    TempFolder folder_;
    std::string old_ = folder_.write("old.dat", oldDat);
    std::string new_ = folder_.write("new.xml", newXml);
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
        {"name": "c", "description": "Game C", "parent": "a", "status": "new",
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

// Without -r a rename is no difference, and the report holds what setdelta.log holds.
TEST_F(JsonReport, FollowsTheSwitchesOfTheRun)
{
    ASSERT_EQ(run({"-m", "-z", "-b", "--json=report.json", old_, new_}).status, ExitSuccess);
    Json json = report();
    EXPECT_EQ(json["options"], R"({"set_type": "merged", "delta": 2, "objects": "rom", "renames": false,
                                   "nodump": true, "bios_in_sets": true})"_json);
    EXPECT_EQ(json["old"]["file"], old_);
    std::vector<std::string> names;
    for (const Json& set : json["sets"])
        names.push_back(set["name"].get<std::string>() + " " + set["status"].get<std::string>());
    // Merged, the clone c is part of a.
    EXPECT_EQ(names, (std::vector<std::string>{"a changed", "b removed"}));
    EXPECT_EQ(json["summary"]["renamed_objects"], 0);
}

TEST_F(JsonReport, SetsWithoutDescriptionOrObjectsOfOtherKinds)
{
    folder_.write("old.xml", R"xml(<mame build="0.1 (x)"><machine name="g"><disk name="d" sha1="0123456789abcdef0123456789abcdef01234567"/>
<sample name="s1.wav"/></machine></mame>)xml");
    folder_.write("new.xml", R"xml(<mame build="0.2 (y)"><machine name="g"><disk name="d" md5="0123456789abcdef0123456789abcdef" status="nodump"/>
<sample name="s1.wav"/><sample name="s2.wav"/></machine></mame>)xml");
    ASSERT_EQ(run({"-z", "-o", "disk", "--json", "report.json", "old.xml", "new.xml"}).status, ExitSuccess);
    Json disks = report();
    EXPECT_EQ(disks["old"], R"json({"file": "old.xml", "entry": null, "format": "listxml", "build": "0.1 (x)",
                                    "sets": 1, "objects": 1})json"_json);
    EXPECT_EQ(disks["sets"][0]["added"], R"([{"kind": "disk", "name": "d", "md5": "0123456789abcdef0123456789abcdef",
                                             "flags": ["nodump"]}])"_json);
    EXPECT_EQ(disks["sets"][0]["description"], "");
    ASSERT_EQ(run({"-o", "sample", "--json", "report.json", "old.xml", "new.xml"}).status, ExitSuccess);
    EXPECT_EQ(report()["sets"][0]["added"], R"([{"kind": "sample", "name": "s2.wav"}])"_json);
}

TEST_F(JsonReport, NoDifferenceGivesAReportWithoutSets)
{
    ASSERT_EQ(run({"--json", "report.json", old_, old_}).status, ExitSuccess);
    Json json = report();
    EXPECT_TRUE(json["sets"].empty());
    EXPECT_EQ(json["summary"]["changed_sets"], 0);
}

// Names as DATs have them: quoting characters, the control characters a text DAT may quote
// (other ones make it binary, and XML has none), UTF-8, and Latin-1 bytes from older DATs,
// which are written as the Latin-1 characters they stand for.
TEST_F(JsonReport, EscapesEveryNameAndWritesLatin1AsUtf8)
{
    const std::vector<std::pair<std::string, std::string>> names = {
        {R"(quote\"d)", "quote\"d"},
        {R"(back\\slash\n)", "back\\slash\\n"},
        {"tab\there\fform\vtab\nline\x7f", "tab\there\fform\vtab\nline\x7f"},
        {"Pok\xC3\xA9mon \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x8E\xAE", "Pok\xC3\xA9mon \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x8E\xAE"},
        {"Pok\xE9mon", "Pok\xC3\xA9mon"},
        {"lone\x80", "lone\xC2\x80"},
        {"cut\xE6\x97", "cut\xC3\xA6\xC2\x97"},
        {"overlong\xC0\xAF", "overlong\xC3\x80\xC2\xAF"},
        {"surrogate\xED\xA0\x80", "surrogate\xC3\xAD\xC2\xA0\xC2\x80"},
    };
    std::string dat = "clrmamepro ( name \"Caf\xE9\" )\n";
    for (std::size_t i = 0; i < names.size(); ++i)
        dat += "game ( name \"" + names[i].first + "\" description \"" + names[i].first + "\" rom ( name \"" +
               names[i].first + "\" size 1 crc " + std::to_string(i + 1) + " ) )\n";
    std::string newPath = folder_.write("new-\xE9.dat", dat);
    ASSERT_EQ(run({"--json", "report.json", old_, newPath}).status, ExitSuccess);

    Json json = report();
    EXPECT_EQ(json["new"]["name"], "Caf\xC3\xA9");
    EXPECT_EQ(json["new"]["file"], utf8Text(newPath));
    EXPECT_NE(json["new"]["file"].get<std::string>().find("new-\xC3\xA9.dat"), std::string::npos);
    ASSERT_EQ(json["sets"].size(), names.size() + 3) << "and the three sets of OLD, removed";
    for (std::size_t i = 0; i < names.size(); ++i) {
        const Json& set = json["sets"][i];
        EXPECT_EQ(set["name"], names[i].second) << i;
        EXPECT_EQ(set["description"], names[i].second) << i;
        EXPECT_EQ(set["objects"][0]["name"], names[i].second) << i;
    }
    std::string text = readFile(folder_.file("report.json"));
    EXPECT_NE(text.find(R"("quote\"d")"), std::string::npos);
    EXPECT_NE(text.find(R"("tab\there\fform\u000btab\nline)"), std::string::npos);
}

TEST(Utf8Text, KeepsValidTextAndReadsTheRestAsLatin1)
{
    EXPECT_EQ(utf8Text(""), "");
    EXPECT_EQ(utf8Text("plain \x01"), "plain \x01");
    EXPECT_EQ(utf8Text("\xC3\xA9\xF4\x8F\xBF\xBF"), "\xC3\xA9\xF4\x8F\xBF\xBF") << "up to U+10FFFF";
    EXPECT_EQ(utf8Text("\xF4\x90\x80\x80"), "\xC3\xB4\xC2\x90\xC2\x80\xC2\x80") << "beyond U+10FFFF";
    EXPECT_EQ(utf8Text("\xFF\xFE"), "\xC3\xBF\xC3\xBE");
}

class JsonReportFailure : public JsonReport {
protected:
    // Only the inputs and the log saying why: no result, no report, no temporary file.
    void expectOnlyInputsAndLog()
    {
        EXPECT_EQ(folder_.entries(), (std::vector<std::string>{"new.xml", "old.dat", "setdelta.log"}));
    }
};

TEST_F(JsonReportFailure, ReportThatCannotBeWrittenIsAnOutputError)
{
    ToolRun result = run({"--json", "missing/report.json", old_, new_});
    EXPECT_EQ(result.status, ExitOutput);
    EXPECT_NE(result.err.find("cannot create missing/report.json: No such file or directory"), std::string::npos)
        << result.err;
    expectOnlyInputsAndLog();
}

TEST_F(JsonReportFailure, FailedRunRemovesTheReportOfAnEarlierRun)
{
    ASSERT_EQ(run({"--json", "report.json", old_, new_}).status, ExitSuccess);
    std::filesystem::remove(folder_.file("setdelta.dat"));
    EXPECT_EQ(run({"--json", "report.json", old_, "missing.dat"}).status, ExitInput);
    expectOnlyInputsAndLog();
}

// Runs setdelta in `folder` in a child that `prepare` sets up first (false: it could not);
// its output is dropped, setdelta.log says what happened.
int runPrepared(const std::filesystem::path& folder, std::vector<std::string> arguments,
                const std::function<bool()>& prepare)
{
    pid_t child = ::fork();
    if (child == 0) {
        int quiet = ::open("/dev/null", O_WRONLY);
        ::dup2(quiet, 1);
        ::dup2(quiet, 2);
        if (!prepare() || ::chdir(folder.c_str()) != 0)
            ::_exit(127);
        std::vector<char*> argv{const_cast<char*>(SETDELTA_PATH)};
        for (std::string& argument : arguments)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        ::execv(SETDELTA_PATH, argv.data());
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// As users run it: as root the tests drop to nobody, whom folder permissions stop.
int runAsOrdinaryUser(const std::filesystem::path& folder, std::vector<std::string> arguments)
{
    return runPrepared(folder, std::move(arguments), [] {
        constexpr gid_t nogroup = 65534;
        constexpr uid_t nobody = 65534;
        return ::geteuid() != 0 || (::setgroups(0, nullptr) == 0 && ::setgid(nogroup) == 0 && ::setuid(nobody) == 0);
    });
}

TEST_F(JsonReportFailure, ReportInAFolderTheUserMayNotWriteIsAnOutputError)
{
    namespace fs = std::filesystem;
    fs::path work = folder_.file("work");
    fs::path locked = folder_.file("locked");
    fs::create_directory(work);
    fs::create_directory(locked);
    fs::permissions(folder_.path(), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                        fs::perms::others_read | fs::perms::others_exec);
    fs::permissions(work, fs::perms::all);
    fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::others_read |
                                fs::perms::others_exec);

    ASSERT_EQ(runAsOrdinaryUser(work, {"--json", "report.json", old_, new_}), ExitSuccess)
        << readFile(work / "setdelta.log");
    EXPECT_EQ(Json::parse(readFile(work / "report.json"))["summary"]["new_sets"], 1);
    struct stat report {};
    ASSERT_EQ(::stat((work / "report.json").c_str(), &report), 0);
    EXPECT_EQ(report.st_uid, ::geteuid() == 0 ? 65534u : ::geteuid()) << "written by the ordinary user";
    fs::remove(work / "report.json");
    fs::remove(work / "setdelta.dat");

    EXPECT_EQ(runAsOrdinaryUser(work, {"--json", "../locked/report.json", old_, new_}), ExitOutput);
    EXPECT_NE(readFile(work / "setdelta.log").find("cannot create ../locked/report.json: Permission denied"),
              std::string::npos)
        << readFile(work / "setdelta.log");
    EXPECT_TRUE(fs::is_empty(locked));
    EXPECT_FALSE(fs::exists(work / "setdelta.dat"));
    fs::permissions(locked, fs::perms::owner_all);
}

TEST_F(JsonReportFailure, FullDiskWhileWritingTheReportLeavesNoReport)
{
    // Enough sets that the report is larger than the DAT and the log.
    std::string dat;
    for (int set = 0; set < 2000; ++set)
        dat += "game ( name g" + std::to_string(set) + " rom ( name r size 1 crc " + std::to_string(set + 1) + " ) )\n";
    folder_.write("new.xml", dat);
    ASSERT_EQ(run({"--json", "report.json", old_, new_}).status, ExitSuccess);
    auto reportSize = std::filesystem::file_size(folder_.file("report.json"));
    auto largestOther = std::max(std::filesystem::file_size(folder_.file("setdelta.dat")),
                                 std::filesystem::file_size(folder_.file("setdelta.log")));
    ASSERT_GT(reportSize, largestOther + 1024);
    std::filesystem::remove(folder_.file("setdelta.dat"));

    ToolLimits fullDisk;
    fullDisk.fileSize = largestOther + 512;
    EXPECT_EQ(runTool(folder_.path(), {"--json", "report.json", old_, new_}, fullDisk).status, ExitOutput);
    expectOnlyInputsAndLog();
    EXPECT_NE(readFile(folder_.file("setdelta.log")).find("File too large"), std::string::npos);
}

TEST_F(JsonReportFailure, ReportMayNotTakeThePlaceOfAnInputOrAnotherOutput)
{
    for (const std::string& target : {std::string("old.dat"), old_, std::string("./new.xml"), std::string("setdelta.dat"),
                                      (folder_.path() / "setdelta.log").string()}) {
        ToolRun result = run({"--json", target, "old.dat", "new.xml"});
        EXPECT_EQ(result.status, ExitUsage) << target;
        EXPECT_NE(result.err.find("the report needs a file of its own"), std::string::npos) << result.err;
    }
    EXPECT_EQ(readFile(old_), oldDat);
    EXPECT_EQ(readFile(new_), newXml);
    EXPECT_EQ(folder_.entries(), (std::vector<std::string>{"new.xml", "old.dat"}));
}

TEST_F(JsonReportFailure, SwitchWithoutAFileIsAUsageError)
{
    for (const std::vector<std::string>& arguments : {std::vector<std::string>{old_, new_, "--json"},
                                                      {"--json=", old_, new_}, {"--json", old_, new_}}) {
        ToolRun result = run(arguments);
        EXPECT_EQ(result.status, ExitUsage);
        EXPECT_NE(result.err.find("Usage: setdelta"), std::string::npos);
    }
    EXPECT_EQ(folder_.entries(), (std::vector<std::string>{"new.xml", "old.dat"}));
}


// The report against setdelta's own setdelta.log and setdelta.dat of the same run, on real DATs.
class JsonReportOnRealDats : public RealDatTest {
protected:
    void expectReportAgreesWithLogAndDat(const std::vector<std::string>& switches, const std::string& oldPath,
                                         const std::string& newPath);

    TempFolder run_;
};

// The set and object lines of setdelta.log's lists, without the sizes and CRCs after a name.
struct Lists {
    std::vector<std::string> newSets;
    std::vector<std::string> removedSets;
    std::vector<std::string> changes;
};

std::string setNameOfLine(std::string_view line)
{
    line.remove_prefix(2);
    return std::string(line.substr(0, line.find("  ")));
}

std::string withoutDetails(std::string line)
{
    if (std::size_t details = line.rfind(" (size "); details != std::string::npos)
        line.resize(details);
    return line;
}

Lists listsOfLog(const std::string& log)
{
    Lists lists;
    std::vector<std::string>* list = nullptr;
    std::istringstream in(log);
    for (std::string line; std::getline(in, line);) {
        if (line.starts_with("New sets ("))
            list = &lists.newSets;
        else if (line.starts_with("Removed sets ("))
            list = &lists.removedSets;
        else if (line.starts_with("Changed sets ("))
            list = &lists.changes;
        else if (line.empty())
            list = nullptr;
        else if (list && line.starts_with("    "))
            list->push_back(withoutDetails(line.substr(4)));
        else if (list)
            list->push_back(setNameOfLine(line));
    }
    return lists;
}

std::string nameOf(const Json& object)
{
    return object["name"].get<std::string>();
}

Lists listsOfReport(const Json& report)
{
    Lists lists;
    for (const Json& set : report["sets"]) {
        std::string status = set["status"];
        if (status == "new") {
            lists.newSets.push_back(nameOf(set));
            continue;
        }
        if (status == "removed") {
            lists.removedSets.push_back(nameOf(set));
            continue;
        }
        lists.changes.push_back(nameOf(set));
        for (const Json& object : set["added"])
            lists.changes.push_back("added    " + nameOf(object));
        for (const Json& object : set["removed"])
            lists.changes.push_back("removed  " + nameOf(object));
        for (const Json& rename : set["renamed"])
            lists.changes.push_back("renamed  " + nameOf(rename["from"]) + " -> " + nameOf(rename["to"]));
    }
    return lists;
}

std::size_t numberAfter(const std::string& text, const std::string& pattern)
{
    std::smatch match;
    if (!std::regex_search(text, match, std::regex(pattern)))
        return static_cast<std::size_t>(-1);
    return std::stoul(match[1]);
}

void expectCountsOfLog(const Json& report, const std::string& log, const std::string& objects)
{
    const Json& summary = report["summary"];
    EXPECT_EQ(summary["new_sets"], numberAfter(log, "\n  new sets: +(\\d+)"));
    EXPECT_EQ(summary["removed_sets"], numberAfter(log, "\n  removed sets: +(\\d+)"));
    EXPECT_EQ(summary["changed_sets"], numberAfter(log, "\n  changed sets: +(\\d+)"));
    EXPECT_EQ(summary["added_objects"], numberAfter(log, "\n  added " + objects + ": +(\\d+)"));
    EXPECT_EQ(summary["removed_objects"], numberAfter(log, "\n  removed " + objects + ": +(\\d+)"));
    EXPECT_EQ(summary["renamed_objects"], numberAfter(log, "\n  renamed " + objects + ": +(\\d+)"));
    EXPECT_EQ(summary["renamed_sets"], numberAfter(log, "\n  renamed " + objects + ": +\\d+ in (\\d+) sets"));
    for (const auto& [side, label] : {std::pair{"old", "Old DAT"}, std::pair{"new", "New DAT"}}) {
        EXPECT_EQ(report[side]["sets"], numberAfter(log, label + std::string(": .*, (\\d+) sets, \\d+ \\w+; ")));
        EXPECT_EQ(report[side]["objects"], numberAfter(log, label + std::string(": .*, \\d+ sets, (\\d+) \\w+; ")));
    }
}

using ObjectNames = std::vector<std::string>;

// What setdelta.dat holds, set by set: the sorted names of each set's objects.
std::map<std::string, ObjectNames> setsOfDat(const std::filesystem::path& path, ObjectKind kind)
{
    Dat dat = loadDat(path.string(), kind);
    std::map<std::string, ObjectNames> sets;
    for (const Set& set : dat.sets) {
        ObjectNames& names = sets[std::string(set.name)];
        for (const Object& object : dat.objectsOf(set))
            names.push_back(std::string(object.name));
        std::sort(names.begin(), names.end());
    }
    return sets;
}

bool holdsAll(const ObjectNames& holder, const ObjectNames& names)
{
    return std::includes(holder.begin(), holder.end(), names.begin(), names.end());
}

ObjectNames distinct(ObjectNames names)
{
    names.erase(std::unique(names.begin(), names.end()), names.end());
    return names;
}

// What each -d level writes of each set of the report, by its definition: exactly those
// objects, or (`Subset`) some of them, or (`Whole`) the whole set, holding at least those.
// A changed set is compared by distinct names: the report does not tell one object that is
// the side of several renames from an object a set lists more than once.
struct Expected {
    ObjectNames objects;
    // Objects that may be written beside them: with -d4 -r, the old side of a rename is written
    // only when the new set no longer holds it (it was renamed, not copied).
    ObjectNames mayAlso;
    enum { Exactly, Subset, Whole } match = Exactly;
    bool byDistinctNames = false;
};

std::map<std::string, Expected> expectedDatSets(const Json& report)
{
    int level = report["options"]["delta"];
    bool archival = level == 4;
    std::map<std::string, Expected> expected;
    for (const Json& set : report["sets"]) {
        std::string status = set["status"];
        Expected entry;
        if (status == (archival ? "removed" : "new")) {
            for (const Json& object : set["objects"])
                entry.objects.push_back(nameOf(object));
        } else if (status == "changed" || status == "renamed") {
            for (const Json& object : set[archival ? "removed" : "added"])
                entry.objects.push_back(nameOf(object));
            for (const Json& rename : set["renamed"])
                (archival ? entry.mayAlso : entry.objects).push_back(nameOf(rename[archival ? "from" : "to"]));
            entry.byDistinctNames = true;
            if (level == 1)
                entry.match = Expected::Whole;
        } else {
            continue;
        }
        if (level == 3)
            entry.match = Expected::Subset;
        std::sort(entry.objects.begin(), entry.objects.end());
        if (!entry.objects.empty() || !entry.mayAlso.empty() || entry.match == Expected::Whole)
            expected[nameOf(set)] = std::move(entry);
    }
    return expected;
}

void expectWrittenAsExpected(const std::string& name, ObjectNames objects, const Expected& entry)
{
    ObjectNames expected = entry.objects;
    if (entry.byDistinctNames) {
        objects = distinct(std::move(objects));
        expected = distinct(std::move(expected));
    }
    switch (entry.match) {
    case Expected::Exactly:
        if (entry.mayAlso.empty()) {
            EXPECT_EQ(objects, expected) << name;
        } else {
            ObjectNames allowed = expected;
            allowed.insert(allowed.end(), entry.mayAlso.begin(), entry.mayAlso.end());
            std::sort(allowed.begin(), allowed.end());
            EXPECT_TRUE(holdsAll(objects, expected) && holdsAll(allowed, objects)) << name;
        }
        break;
    case Expected::Subset: EXPECT_TRUE(holdsAll(expected, objects)) << name; break;
    case Expected::Whole: EXPECT_TRUE(holdsAll(objects, expected)) << name; break;
    }
}

void expectDatOfReport(const Json& report, const std::map<std::string, ObjectNames>& written)
{
    std::map<std::string, Expected> expected = expectedDatSets(report);
    for (const auto& [name, objects] : written) {
        auto found = expected.find(name);
        if (found == expected.end())
            ADD_FAILURE() << name << " is written but not in the report";
        else
            expectWrittenAsExpected(name, objects, found->second);
    }
    for (const auto& [name, entry] : expected)
        EXPECT_TRUE(entry.match == Expected::Subset || entry.objects.empty() || written.contains(name))
            << name << " is in the report but not written";
}

void JsonReportOnRealDats::expectReportAgreesWithLogAndDat(const std::vector<std::string>& switches,
                                                           const std::string& oldPath, const std::string& newPath)
{
    std::vector<std::string> arguments = switches;
    arguments.insert(arguments.end(), {"--json", "report.json", oldPath, newPath});
    ToolRun result = runTool(run_.path(), arguments);
    ASSERT_EQ(result.status, ExitSuccess) << result.err;
    Json report = Json::parse(readFile(run_.file("report.json")));
    std::string log = readFile(run_.file("setdelta.log"));
    ObjectKind kind = report["options"]["objects"] == "disk" ? ObjectKind::Disk : ObjectKind::Rom;
    ASSERT_FALSE(report["sets"].empty());

    Lists fromLog = listsOfLog(log);
    Lists fromReport = listsOfReport(report);
    EXPECT_EQ(fromReport.newSets, fromLog.newSets);
    EXPECT_EQ(fromReport.removedSets, fromLog.removedSets);
    EXPECT_EQ(fromReport.changes, fromLog.changes);
    expectCountsOfLog(report, log, std::string(kindName(kind, true)));
    expectDatOfReport(report, setsOfDat(run_.file("setdelta.dat"), kind));
}

TEST_F(JsonReportOnRealDats, MameVersionsWithEachSetTypeAndLevel)
{
    std::string oldPath = dat("mame_0.78_listxml.zip");
    std::string newPath = dat("mame_0.94_listxml.zip");
    for (const std::vector<std::string>& switches : std::vector<std::vector<std::string>>{
             {"-r"}, {"-m", "-d1"}, {"-n", "-z", "-r", "-d4"}, {"-d3", "-b"}}) {
        SCOPED_TRACE(testing::PrintToString(switches));
        expectReportAgreesWithLogAndDat(switches, oldPath, newPath);
    }
}

TEST_F(JsonReportOnRealDats, OtherFormatsAndKinds)
{
    SCOPED_TRACE("FinalBurn Neo XML datafiles");
    expectReportAgreesWithLogAndDat({"-r", "-z"}, dat("fbneo_0.2.97.44_neogeo.dat"), dat("fbneo_1.0.0.03_neogeo.dat"));
    SCOPED_TRACE("ClrMamePro text against listxml");
    expectReportAgreesWithLogAndDat({"-d1"}, dat("mame_0.37b5_listinfo.zip", "mame_0.37b5.dat"),
                                    dat("mame_0.78_listxml.zip"));
    SCOPED_TRACE("disks of a merged CHD DAT against listxml");
    expectReportAgreesWithLogAndDat({"-o", "disk", "-m"}, dat("mame_0.78_chds_merged.zip"),
                                    dat("mame_0.94_listxml.zip"));
}

} // namespace
} // namespace setdelta::test
