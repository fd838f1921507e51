// The real setdelta binary, run in temporary folders: outputs, exit statuses, bad input.
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

class Tool : public ToolTest {
protected:
    std::string old_ = folder_.write("old.dat", oldDat);
    std::string new_ = folder_.write("new.xml", newXml);
};

TEST_F(Tool, WritesTheDifferenceDatAndTheReport)
{
    ToolRun result = run({"-d2", old_, new_});
    ASSERT_EQ(result.status, ExitSuccess) << result.err;
    EXPECT_NE(result.out.find("New sets: 1, removed sets: 1, changed sets: 1"), std::string::npos) << result.out;
    EXPECT_EQ(readFile(folder_.file("setdelta.dat")),
              "game (\r\n\tname a\r\n\tdescription \"Game A\"\r\n\trom ( name a2 size 1 crc 00000003 )\r\n)\r\n\r\n"
              "game (\r\n\tname c\r\n\tdescription \"Game \\\"C\\\"\"\r\n\trom ( name c1 size 1 crc 00000004 )\r\n)\r\n\r\n");
    std::string log = readFile(folder_.file("setdelta.log"));
    for (const std::string& expected : {"Old DAT: " + old_, std::string("'New' version 2"), std::string("New sets (1)"),
                                        std::string("  c  \"Game \"C\"\""), std::string("added    a2")})
        EXPECT_NE(log.find(expected), std::string::npos) << expected << "\n" << log;
    expectOnly({"new.xml", "old.dat", "setdelta.dat", "setdelta.log"});

    ASSERT_EQ(run({"-d4", "-m", "-d1", "-s", old_, new_}).status, ExitSuccess);
    EXPECT_NE(readFile(folder_.file("setdelta.dat")).find("a1"), std::string::npos) << "the last -d wins: -d1";
    ASSERT_EQ(run({old_, old_}).status, ExitSuccess);
    EXPECT_EQ(readFile(folder_.file("setdelta.dat")), "") << "no difference, no set";
}

TEST_F(Tool, UsageErrorsExitWithOne)
{
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{}, {old_}, {"-x", old_, new_}, {"-o", "rom", old_, new_}, {old_, new_, new_}, {"-o"},
          {old_, new_, "--json"}, {"--json=", old_, new_}, {"--json", old_, new_}, {old_, new_, "--new-entry"}}) {
        ToolRun result = run(arguments);
        EXPECT_EQ(result.status, ExitUsage) << testing::PrintToString(arguments);
        EXPECT_NE(result.err.find("Usage: setdelta"), std::string::npos);
    }
    expectOnly({"new.xml", "old.dat"});
}

// A bad input takes the result of an earlier run with it; the log says why.
TEST_F(Tool, BadInputsExitWithTwoAndLeaveNoDat)
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
        folder_.write("setdelta.dat", "earlier result");
        ToolRun result = run({old_, input});
        EXPECT_EQ(result.status, ExitInput) << input;
        EXPECT_NE(result.err.find(input + ":"), std::string::npos) << result.err;
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
    expectOnly({"new.xml", "old.dat", "setdelta.dat", "setdelta.log"});

    // As an ordinary user in a folder of their own they may not write to.
    std::filesystem::remove(folder_.file("setdelta.dat"));
    std::filesystem::remove(folder_.file("setdelta.log"));
    std::filesystem::permissions(folder_.path(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec |
                                                     std::filesystem::perms::others_read | std::filesystem::perms::others_exec);
    ToolLimits user;
    user.ordinaryUser = true;
    result = run({"old.dat", "new.xml"}, user);
    EXPECT_EQ(result.status, ExitOutput);
    EXPECT_NE(result.err.find("cannot create setdelta.dat: Permission denied"), std::string::npos) << result.err;
    expectOnly({"new.xml", "old.dat"});
}

} // namespace
} // namespace setdelta::test
