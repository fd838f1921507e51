// setdelta --chain: sets followed through several releases, on small DATs written for each case
// (through the real binary, as an ordinary user, under a file size limit) and on real MAME DATs.
#include "chain.h"
#include "test_support.h"

#include <algorithm>
#include <map>
#include <nlohmann/json.hpp>

namespace setdelta::test {
namespace {

using Json = nlohmann::json;

// A set in the text format with ROMs "name:crc" of size 1.
std::string game(const std::string& name, const std::vector<std::string>& roms)
{
    std::string text = "game ( name " + name + " description \"" + name + " game\"";
    for (const std::string& rom : roms) {
        std::size_t colon = rom.find(':');
        text += " rom ( name " + rom.substr(0, colon) + " size 1 crc " + rom.substr(colon + 1) + " )";
    }
    return text + " )\n";
}

// The same as an XML datafile.
std::string xmlGame(const std::string& name, const std::vector<std::string>& roms)
{
    std::string text = "<game name=\"" + name + "\"><description>" + name + " game</description>";
    for (const std::string& rom : roms) {
        std::size_t colon = rom.find(':');
        text += "<rom name=\"" + rom.substr(0, colon) + "\" size=\"1\" crc=\"" + rom.substr(colon + 1) + "\"/>";
    }
    return text + "</game>\n";
}

// Three releases, one of each format and container:
//  - a is renamed twice (a -> b -> c): one move a -> c;
//  - z is renamed and then takes its first name back: no move;
//  - gone is removed in release 2, and release 3 has a new, unrelated set of that name;
//  - fresh is new in release 2 and renamed to fresh2 in release 3;
//  - keep stays.
class Chain : public ToolTest {
protected:
    void SetUp() override
    {
        folder_.write("r1.dat", game("a", {"a1:1", "a2:2"}) + game("gone", {"g:5"}) + game("keep", {"k:7"}) +
                                    game("z", {"z1:21"}));
        writeGzip(folder_.file("r2.xml.gz"),
                  "<?xml version=\"1.0\"?>\n<datafile>\n" + xmlGame("b", {"a1:1", "a2:2"}) + xmlGame("keep", {"k:7"}) +
                      xmlGame("y", {"z1:21"}) + xmlGame("fresh", {"f:8", "f2:9"}) + "</datafile>\n");
        writeZip(folder_.file("r3.zip"),
                 {{"readme.txt", "not a DAT"},
                  {"r3.dat", game("c", {"a1:1", "a2:2"}) + game("keep", {"k:7"}) + game("z", {"z1:21"}) +
                                 game("fresh2", {"f:8", "f2:9"}) + game("gone", {"x:11"})},
                  {"other.dat", game("keep", {"k:7"})}});
    }

    const std::vector<std::string> chain_{"--chain", "r1.dat", "r2.xml.gz", "--entry", "r3.dat", "r3.zip"};

    std::vector<std::string> chainWith(std::vector<std::string> arguments) const
    {
        arguments.insert(arguments.begin(), chain_.begin(), chain_.end());
        return arguments;
    }
};

TEST_F(Chain, ComposesMovesAndFollowsRemovedAndNewSets)
{
    std::filesystem::permissions(folder_.path(), std::filesystem::perms::all);
    ToolRun result = run(chainWith({"--json", "chain.json"}), {.ordinaryUser = true});
    ASSERT_EQ(result.status, ExitSuccess) << result.err;
    Json report = Json::parse(readFile(folder_.file("chain.json")));

    EXPECT_EQ(report["format"], "setdelta-chain-report");
    EXPECT_EQ(report["version"], 1);
    ASSERT_EQ(report["releases"].size(), 3u);
    EXPECT_EQ(report["releases"][1]["format"], "xml-datafile");
    EXPECT_EQ(report["releases"][2]["entry"], "r3.dat");
    EXPECT_EQ(report["steps"], Json::parse(R"([
        {"from":0,"to":1,"new_sets":3,"removed_sets":3,"changed_sets":0,"moved_sets":2},
        {"from":1,"to":2,"new_sets":4,"removed_sets":3,"changed_sets":0,"moved_sets":3}])"));
    EXPECT_EQ(report["summary"],
              Json::parse(R"({"followed_sets":4,"kept_sets":2,"moved_sets":2,"removed_sets":1,"new_sets":2})"));
    EXPECT_EQ(report["moved_sets"], Json::parse(R"([
        {"old":{"name":"a","description":"a game","release":0},"new":{"name":"c","description":"c game"},
         "names":[{"name":"a","release":0},{"name":"b","release":1},{"name":"c","release":2}]},
        {"old":{"name":"fresh","description":"fresh game","release":1},"new":{"name":"fresh2","description":"fresh2 game"},
         "names":[{"name":"fresh","release":1},{"name":"fresh2","release":2}]}])"));
    EXPECT_EQ(report["removed_sets"], Json::parse(R"([
        {"name":"gone","description":"gone game","first_release":0,"last_release":0,"removed_in":1}])"));
    EXPECT_EQ(report["new_sets"], Json::parse(R"([
        {"name":"fresh2","description":"fresh2 game","first_release":1,"first_name":"fresh"},
        {"name":"gone","description":"gone game","first_release":2}])"));

    std::string log = readFile(folder_.file("setdelta.log"));
    for (const char* line : {"  1 -> 2           3        3        2        0\n",
                             "  a -> c  \"c game\"  (b from release 2, c from release 3)\n",
                             "  fresh -> fresh2  \"fresh2 game\"  (new in release 2; fresh2 from release 3)\n",
                             "  gone  \"gone game\"  (last in release 1)\n",
                             "  gone  \"gone game\"  (first in release 3)\n"})
        EXPECT_NE(log.find(line), std::string::npos) << line << log;
    expectOnly({"chain.json", "r1.dat", "r2.xml.gz", "r3.zip", "setdelta.log"});
}

TEST_F(Chain, ArgumentsThatCannotMakeAChainAreRefusedBeforeAnythingIsRead)
{
    const std::vector<std::pair<std::vector<std::string>, std::string>> rows = {
        {{"--chain", "r1.dat"}, "--chain needs at least two DAT files, oldest first; got 1"},
        {chainWith({"-d1"}), "-d1 does not apply to --chain"},
        {chainWith({"-r"}), "-r does not apply to --chain"},
        {chainWith({"--progress"}), "--progress does not apply to --chain"},
        {chainWith({"--new-entry=r3.dat"}), "--new-entry does not apply to --chain, which writes no setdelta.dat; put --entry NAME before the archive"},
        {chainWith({"--entry", "x.dat"}), "--entry x.dat needs a DAT after it"},
        {{"--entry", "r3.dat", "r1.dat", "r3.zip"}, "for OLD and NEW use --old-entry and --new-entry"},
        {chainWith({"--json", "r2.xml.gz"}), "--json r2.xml.gz names the same file as r2.xml.gz"},
    };
    for (const auto& [arguments, message] : rows) {
        ToolRun result = run(arguments);
        EXPECT_EQ(result.status, ExitUsage) << message;
        EXPECT_NE(result.err.find(message), std::string::npos) << result.err;
    }
    ToolRun unchosen = run({"--chain", "r1.dat", "r3.zip"});
    EXPECT_EQ(unchosen.status, ExitUsage);
    EXPECT_NE(unchosen.err.find("; choose one with --entry NAME before r3.zip"), std::string::npos) << unchosen.err;
    expectOnly({"r1.dat", "r2.xml.gz", "r3.zip", "setdelta.log"});
}

// A run that fails leaves no report (not even an earlier one), no earlier setdelta.dat that
// would pass for its result, and a log that says why.
TEST_F(Chain, FailedRunLeavesOnlyALogThatSaysWhy)
{
    // Many new sets make a report larger than the log.
    folder_.write("r2.dat", manySets(2000));
    const std::vector<std::string> arguments{"--chain", "r1.dat", "r2.dat", "--json", "chain.json"};
    ASSERT_EQ(run(arguments).status, ExitSuccess);
    auto logSize = std::filesystem::file_size(folder_.file("setdelta.log"));
    ASSERT_GT(std::filesystem::file_size(folder_.file("chain.json")), logSize + 1024);
    folder_.write("setdelta.dat", "a result of an earlier run");

    ToolRun full = run(arguments, {.fileSize = logSize + 512});
    EXPECT_EQ(full.status, ExitOutput);
    EXPECT_NE(full.err.find("File too large"), std::string::npos) << full.err;
    expectOnly({"r1.dat", "r2.dat", "r2.xml.gz", "r3.zip", "setdelta.log"});
    EXPECT_NE(readFile(folder_.file("setdelta.log")).find("Failed: "), std::string::npos);

    folder_.write("chain.json", "an earlier report");
    folder_.write("r2.dat", "game ( name broken ");
    ToolRun broken = run(arguments);
    EXPECT_EQ(broken.status, ExitInput);
    EXPECT_NE(broken.err.find("r2.dat"), std::string::npos) << broken.err;
    EXPECT_NE(readFile(folder_.file("setdelta.log")).find("Failed: r2.dat"), std::string::npos);
    expectOnly({"r1.dat", "r2.dat", "r2.xml.gz", "r3.zip", "setdelta.log"});
}

class RealChain : public testing::Test {
protected:
    void SetUp() override
    {
        if (!std::filesystem::is_directory(SHARED_DATS_DIR))
            GTEST_SKIP() << "the real DATs are not beside the project (" << SHARED_DATS_DIR << ")";
    }
    static DatSource dat(const std::string& name, const std::string& entry = {})
    {
        return {(std::filesystem::path(SHARED_DATS_DIR) / name).string(), entry};
    }
};

// MAME 0.37b5 -> 0.78 -> 0.94: each step finds the moves a comparison of its two DATs finds,
// every set of 0.37b5 ends kept, moved or removed, and moves of either step reach 0.94's names.
TEST_F(RealChain, MameReleasesFollowedThroughTwoSteps)
{
    Options options;
    options.chain = {dat("mame_0.37b5_listinfo.zip", "mame_0.37b5.xml"), dat("mame_0.78_listxml.zip"),
                     dat("mame_0.94_listxml.zip")};
    ChainResult chain = followChain(options, startThread);
    ASSERT_EQ(chain.steps.size(), 2u);
    EXPECT_EQ(chain.steps[1].movedSets, 48u);

    std::map<std::string, const Lineage*> byFirstName;
    std::size_t followed = 0;
    for (const Lineage& lineage : chain.lineages) {
        if (lineage.firstRelease() == 0) {
            ++followed;
            byFirstName[lineage.firstName()] = &lineage;
        }
        for (std::size_t i = 1; i < lineage.names.size(); ++i)
            EXPECT_LT(lineage.names[i - 1].since, lineage.names[i].since) << lineage.firstName();
    }
    EXPECT_EQ(followed, 2241u);
    // Moved in the first step, in the second, and a set new in 0.78 moved in the second.
    for (const auto& [from, to] : std::vector<std::pair<std::string, std::string>>{
             {"720b", "720r3"}, {"arkanoi2", "arknoid2"}, {"auraila", "aurail1"}}) {
        ASSERT_TRUE(byFirstName.contains(from)) << from;
        EXPECT_TRUE(byFirstName[from]->moved());
        EXPECT_EQ(byFirstName[from]->lastName(), to);
    }
    auto pastelgl = std::ranges::find_if(chain.lineages, [](const Lineage& l) { return l.firstName() == "pastelgl"; });
    ASSERT_NE(pastelgl, chain.lineages.end());
    EXPECT_EQ(pastelgl->firstRelease(), 1u);
    EXPECT_EQ(pastelgl->lastName(), "pastelg");
    ASSERT_TRUE(byFirstName.contains("galaga84"));
    EXPECT_FALSE(byFirstName["galaga84"]->reachesEnd);
    EXPECT_EQ(byFirstName["galaga84"]->lastRelease, 1u);
    ASSERT_TRUE(byFirstName.contains("pacman"));
    EXPECT_TRUE(byFirstName["pacman"]->reachesEnd && !byFirstName["pacman"]->moved());
}

} // namespace
} // namespace setdelta::test
