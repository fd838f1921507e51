// The second thread (reading, comparing, writing), with the fallback where none can be started,
// and the comparison's shortcuts for objects listed at the same place in both sets.
#include "parallel.h"
#include "test_support.h"

#include <sstream>
#include <system_error>

namespace setdelta::test {
namespace {

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
    std::vector<std::string_view> arguments{"old.dat", "new.dat"};
    std::ostringstream out, err;
    int status = runSetdelta(arguments, out, err, start);
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
