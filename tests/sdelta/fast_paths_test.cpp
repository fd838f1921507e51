// The second thread (reading, comparing, writing), with the fallback where none can be started,
// and the comparison's shortcuts for objects listed at the same place in both sets.
#include "compare.h"
#include "parallel.h"
#include "program.h"
#include "test_support.h"

#include <gtest/gtest.h>
#include <sstream>
#include <stdexcept>
#include <system_error>
#include <unistd.h>

namespace setdelta::test {
namespace {

std::jthread noThreadLeft(std::function<void()>)
{
    throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
}

TEST(RunBoth, RunsBothOneAfterTheOtherWhereNoThreadStarts)
{
    std::vector<std::string> order;
    runBoth([&] { order.push_back("foreground"); }, [&] { order.push_back("background"); }, noThreadLeft);
    EXPECT_EQ(order, (std::vector<std::string>{"foreground", "background"}));
}

TEST(RunBoth, PassesOnTheBackgroundsErrorAfterBothFinished)
{
    bool foregroundDone = false;
    auto failing = [] { throw std::runtime_error("background failed"); };
    EXPECT_THROW(runBoth([&] { foregroundDone = true; }, failing), std::runtime_error);
    EXPECT_TRUE(foregroundDone);
    EXPECT_THROW(runBoth([] {}, failing, noThreadLeft), std::runtime_error);
}

const std::string smallOld = R"(game ( name alpha rom ( name a1 size 1 crc 11 ) rom ( name a2 size 1 crc 12 ) )
game ( name beta rom ( name b1 size 1 crc 21 ) )
)";
const std::string smallNew = R"(game ( name alpha rom ( name a1 size 1 crc 11 ) rom ( name a2 size 1 crc 13 ) )
game ( name gamma rom ( name g1 size 1 crc 31 ) )
)";

// The whole program in this process, in `folder`, with its second thread started by `start`.
struct InProcessRun {
    int status = -1;
    std::string dat;
    std::string log;
};

InProcessRun runIn(const TempFolder& folder, const ThreadStarter& start)
{
    auto previous = std::filesystem::current_path();
    std::filesystem::current_path(folder.path());
    std::vector<std::string_view> arguments{"old.dat", "new.dat"};
    std::ostringstream out;
    std::ostringstream err;
    InProcessRun run;
    run.status = runSetdelta(arguments, out, err, start);
    std::filesystem::current_path(previous);
    run.dat = readFile(folder.file("setdelta.dat"));
    run.log = readFile(folder.file("setdelta.log"));
    return run;
}

TEST(SecondThread, WithoutOneTheRunGivesTheSameResult)
{
    TempFolder folder;
    folder.write("old.dat", smallOld);
    folder.write("new.dat", smallNew);
    InProcessRun threaded = runIn(folder, startThread);
    InProcessRun sequential = runIn(folder, noThreadLeft);
    ASSERT_EQ(threaded.status, ExitSuccess);
    EXPECT_EQ(sequential.status, ExitSuccess);
    EXPECT_EQ(sequential.dat, threaded.dat);
    EXPECT_EQ(sequential.log, threaded.log);
    EXPECT_NE(sequential.dat.find("a2 size 1 crc 00000013"), std::string::npos);
    EXPECT_NE(sequential.dat.find("g1"), std::string::npos);
}

TEST(SecondThread, AnUnreadableDatIsAnInputErrorEitherWay)
{
    TempFolder folder;
    folder.write("old.dat", smallOld);
    folder.write("new.dat", "game ( name broken rom ( name x size 1 crc zz ) )\n");
    EXPECT_EQ(runIn(folder, startThread).status, ExitInput);
    EXPECT_EQ(runIn(folder, noThreadLeft).status, ExitInput);
}

// Objects at the same place in both sets count as held without a lookup, and where no set lists
// an object twice only the others are indexed by name. What moved or repeats is still found, also
// where its only match is at the same place, and a copy under a new name still sees its source.
TEST(SamePlaceShortcut, ObjectsThatMovedRepeatOrWereCopiedAreStillFound)
{
    using enum DeltaLevel;
    const std::string moved = "game ( name moved rom ( name m1 size 1 crc 1 ) rom ( name m2 size 1 crc 2 ) "
                              "rom ( name m3 size 1 crc 3 ) )\n"
                              "game ( name twice rom ( name t1 size 1 crc 4 ) rom ( name t2 size 1 crc 5 ) )\n";
    const std::string movedNew = "game ( name moved rom ( name m3 size 1 crc 3 ) rom ( name m2 size 1 crc 2 ) "
                                 "rom ( name m1 size 1 crc 9 ) )\n"
                                 "game ( name twice rom ( name t1 size 1 crc 4 ) rom ( name t2 size 1 crc 6 ) "
                                 "rom ( name t1 size 1 crc 4 ) )\n";
    const std::string clone = "game ( name k cloneof p rom ( name x size 1 crc 5 ) )\n";
    const std::string copied = "game ( name p rom ( name a size 1 crc 1 ) )\n" + clone;
    const std::string copiedNew = "game ( name p rom ( name a size 1 crc 1 ) rom ( name b size 1 crc 1 ) )\n" + clone;
    // The second "a" is held by the old set's first, which has an equal at its place.
    const std::string listedOnce = "game ( name p rom ( name a size 1 crc 1 ) rom ( name c size 1 crc 3 ) )\n" + clone;
    const std::string listedTwice =
        "game ( name p rom ( name a size 1 crc 1 ) rom ( name d size 1 crc 4 ) rom ( name a size 1 crc 1 ) )\n" + clone;
    const ResolveOptions nonMerged{SetType::NonMerged};
    const std::vector<std::tuple<std::string, std::string, Options, std::string>> rows = {
        {moved, movedNew, {}, "moved: m1 | twice: t2"},
        {moved, movedNew, {.level = RomArchival}, "moved: m1 | twice: t2"},
        {copied, copiedNew, {.resolve = nonMerged, .withRenames = true}, "p: b | k: b"},
        {copied, copiedNew, {.resolve = nonMerged, .level = RomArchival, .withRenames = true}, ""},
        {listedOnce, listedTwice, {.resolve = nonMerged}, "p: d | k: d"},
    };
    for (const auto& [oldText, newText, options, expected] : rows) {
        SCOPED_TRACE(newText);
        EXPECT_EQ(deltaText(oldText, newText, options), expected);
    }
}

} // namespace
} // namespace setdelta::test
