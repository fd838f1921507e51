// The real setdelta binary, run in temporary folders: outputs, exit statuses, bad input.
#include "dat_loader.h"
#include "program.h"
#include "test_support.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

namespace setdelta::test {
namespace {

const std::string oldDat = "game ( name a description \"Game A\" rom ( name a1 size 1 crc 1 ) )\n"
                           "game ( name b rom ( name b1 size 1 crc 2 ) )\n";
const std::string newXml = R"xml(<?xml version="1.0"?>
<datafile><header><name>New</name><version>2</version></header>
<game name="a"><description>Game A</description><rom name="a1" size="1" crc="1"/><rom name="a2" size="1" crc="3"/></game>
<game name="c"><description>Game "C"</description><rom name="c1" size="1" crc="4"/></game>
</datafile>)xml";

class Tool : public testing::Test {
protected:
    ToolRun run(std::vector<std::string> arguments) { return runTool(folder_.path(), arguments); }

    // A failed run leaves no setdelta.dat and no temporary file, only the inputs and a log.
    void expectNothingWrittenBut(const std::vector<std::string>& expected)
    {
        EXPECT_EQ(folder_.entries(), expected);
    }

    TempFolder folder_;
    std::string old_ = folder_.write("old.dat", oldDat);
    std::string new_ = folder_.write("new.xml", newXml);
};

TEST_F(Tool, WritesTheDifferenceDatAndTheReport)
{
    ToolRun result = run({"-d2", old_, new_});
    ASSERT_EQ(result.status, ExitSuccess) << result.err;
    EXPECT_NE(result.out.find("New sets: 1, removed sets: 1, changed sets: 1"), std::string::npos) << result.out;
    std::string written = readFile(folder_.file("setdelta.dat"));
    EXPECT_EQ(written, "game (\r\n\tname a\r\n\tdescription \"Game A\"\r\n\trom ( name a2 size 1 crc 00000003 )\r\n)\r\n\r\n"
                       "game (\r\n\tname c\r\n\tdescription \"Game \\\"C\\\"\"\r\n"
                       "\trom ( name c1 size 1 crc 00000004 )\r\n)\r\n\r\n");
    std::string log = readFile(folder_.file("setdelta.log"));
    for (const std::string& expected : std::vector<std::string>{"Old DAT: " + old_, "'New' version 2", "smaller DAT (-d2)", "New sets (1)",
                                 "  c  \"Game \"C\"\"", "Removed sets (1)", "Changed sets (1)", "added    a2"})
        EXPECT_NE(log.find(expected), std::string::npos) << expected << "\n" << log;
    EXPECT_EQ(folder_.entries(), (std::vector<std::string>{"new.xml", "old.dat", "setdelta.dat", "setdelta.log"}));
}

TEST_F(Tool, NoDifferenceGivesADatWithoutSets)
{
    ToolRun result = run({old_, old_});
    ASSERT_EQ(result.status, ExitSuccess) << result.err;
    EXPECT_TRUE(readFile(folder_.file("setdelta.dat")).empty());
}

TEST_F(Tool, LastSwitchOfAGroupWins)
{
    ASSERT_EQ(run({"-d4", "-m", "-d1", "-s", old_, new_}).status, ExitSuccess);
    EXPECT_NE(readFile(folder_.file("setdelta.dat")).find("a1"), std::string::npos) << "-d1 writes whole sets";
}

TEST_F(Tool, UsageErrorsExitWithOne)
{
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{}, {old_}, {"-x", old_, new_}, {"-o", "rom", old_, new_}, {old_, new_, new_}, {"-o"}}) {
        ToolRun result = run(arguments);
        EXPECT_EQ(result.status, ExitUsage);
        EXPECT_NE(result.err.find("Usage: setdelta"), std::string::npos);
    }
    expectNothingWrittenBut({"new.xml", "old.dat"});
}

TEST_F(Tool, HelpAndVersion)
{
    ToolRun help = run({"--help"});
    EXPECT_EQ(help.status, ExitSuccess);
    EXPECT_NE(help.out.find("-d4 ROM archival"), std::string::npos);
    ToolRun version = run({"--version"});
    EXPECT_EQ(version.status, ExitSuccess);
    EXPECT_EQ(version.out.rfind("setdelta ", 0), 0u);
}

TEST_F(Tool, BadInputsExitWithTwoAndWriteNoDat)
{
    std::filesystem::create_directory(folder_.file("folder.dat"));
    const std::vector<std::pair<std::string, std::string>> inputs = {
        {folder_.write("empty.dat", ""), "the file is empty"},
        {folder_.write("garbage.dat", std::string("\x7f" "ELF\x02\x01\x01\0\0\0", 10)), "binary data"},
        {folder_.write("truncated.xml", newXml.substr(0, newXml.size() / 2)), "XML error"},
        {folder_.write("unbalanced.dat", "game ( name a rom ( name a1 size 1 crc 1 )\n"), "unbalanced parentheses"},
        {folder_.file("missing.dat").string(), "cannot open: No such file"},
        {folder_.file("folder.dat").string(), "is a folder"},
    };
    for (const auto& [input, reason] : inputs) {
        ToolRun result = run({old_, input});
        EXPECT_EQ(result.status, ExitInput) << input;
        EXPECT_NE(result.err.find(input), std::string::npos) << result.err;
        EXPECT_NE(result.err.find(reason), std::string::npos) << result.err;
        EXPECT_FALSE(std::filesystem::exists(folder_.file("setdelta.dat")));
        EXPECT_NE(readFile(folder_.file("setdelta.log")).find(reason), std::string::npos);
    }
}

TEST_F(Tool, UnwritableResultExitsWithThreeAndLeavesNoTemporaryFile)
{
    std::filesystem::create_directory(folder_.file("setdelta.dat"));
    ToolRun result = run({old_, new_});
    EXPECT_EQ(result.status, ExitOutput);
    EXPECT_NE(result.err.find("setdelta.dat"), std::string::npos) << result.err;
    for (const std::string& entry : folder_.entries())
        EXPECT_EQ(entry.find(".XXXXXX"), std::string::npos);
    EXPECT_EQ(folder_.entries().size(), 4u) << "inputs, the log and the folder in the way";
}

TEST_F(Tool, UnwritableWorkingFolderExitsWithThree)
{
    // Folder permissions do not stop root, but nobody can create files in /proc.
    const bool root = ::geteuid() == 0;
    if (!root)
        std::filesystem::permissions(folder_.path(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    ToolRun result = root ? runTool("/proc", {old_, new_}) : run({old_, new_});
    std::filesystem::permissions(folder_.path(), std::filesystem::perms::owner_all);
    EXPECT_EQ(result.status, ExitOutput);
    EXPECT_NE(result.err.find("cannot create setdelta.dat"), std::string::npos) << result.err;
    expectNothingWrittenBut({"new.xml", "old.dat"});
}

TEST_F(Tool, FailedRunLeavesNoResultBehind)
{
    folder_.write("setdelta.dat", "earlier result");
    EXPECT_EQ(run({old_, folder_.file("missing.dat").string()}).status, ExitInput);
    EXPECT_FALSE(std::filesystem::exists(folder_.file("setdelta.dat")));
    EXPECT_TRUE(std::filesystem::exists(folder_.file("setdelta.log"))) << "the log says why";
}

TEST_F(Tool, SwitchesReachTheComparison)
{
    folder_.write("old.xml", R"xml(<mame><machine name="g"><disk name="d" sha1="0123456789abcdef0123456789abcdef01234567"/>
<sample name="s1.wav"/></machine></mame>)xml");
    folder_.write("new.xml", R"xml(<mame><machine name="g"><disk name="d" sha1="1123456789abcdef0123456789abcdef01234567"/>
<sample name="s1.wav"/><sample name="s2.wav"/></machine></mame>)xml");
    ASSERT_EQ(run({"-o", "disk", "old.xml", "new.xml"}).status, ExitSuccess);
    EXPECT_NE(readFile(folder_.file("setdelta.dat")).find("disk ( name d sha1 1123"), std::string::npos);
    ASSERT_EQ(run({"-o sample", "old.xml", "new.xml"}).status, ExitSuccess);
    EXPECT_NE(readFile(folder_.file("setdelta.dat")).find("\tsample s2.wav\r\n"), std::string::npos);
    EXPECT_EQ(readFile(folder_.file("setdelta.dat")).find("s1.wav"), std::string::npos);
}

} // namespace
} // namespace setdelta::test
