#include "settingkeys.h"
#include "switches.h"
#include "tempstore.h"

#include <gtest/gtest.h>

using namespace quillon;
using quillon::testing::TempStore;

namespace {

QString switchesFor(std::initializer_list<std::pair<SettingKey, const char*>> stored)
{
    TempStore temp;
    for (const auto& [key, value] : stored)
        temp.store().write(key, value);
    return BuildDiffSwitches(temp.store());
}

}  // namespace

TEST(BuildDiffSwitches, FreshStoreGivesTheDefaults)
{
    EXPECT_EQ(switchesFor({}), "-s -d2 -z");
}

TEST(BuildDiffSwitches, EveryOptionAtItsLargestValue)
{
    EXPECT_EQ(switchesFor({{keys::SetType, "2"},
                           {keys::DatType, "3"},
                           {keys::Object, "2"},
                           {keys::RomRenames, "1"},
                           {keys::NoDump, "1"},
                           {keys::NonSeparatedBios, "1"}}),
              "-n -d4 -o sample -r -z -b");
    EXPECT_EQ(switchesFor({{keys::Object, "1"}}), "-s -d2 -o disk -z");
}

TEST(BuildDiffSwitches, ValuesOutsideTheTableAddNothing)
{
    EXPECT_EQ(switchesFor({{keys::SetType, "1"}, {keys::DatType, "0"}}), "-m -d1 -z");
    EXPECT_EQ(switchesFor({{keys::NoDump, "0"}}), "-s -d2");
    EXPECT_EQ(switchesFor({{keys::RomRenames, "2"}}), "-s -d2 -z") << "a grey box is not ticked";
    EXPECT_EQ(switchesFor({{keys::DatType, "4"}}), "-s -z");
    EXPECT_EQ(switchesFor({{keys::DatType, "-1"}}), "-s -z");
    EXPECT_EQ(switchesFor({{keys::SetType, "5"}, {keys::DatType, "9"}, {keys::NoDump, "0"}}), "");
    EXPECT_EQ(switchesFor({{keys::SetType, "3"}, {keys::NoDump, "0"}, {keys::NonSeparatedBios, "1"}}), "-d2 -b")
        << "no blank at either end, one between pieces";
}

TEST(BuildDiffSwitches, NonNumericValuesCountAsTheDefault)
{
    EXPECT_EQ(switchesFor({{keys::SetType, "merged"}, {keys::NoDump, "yes"}}), "-s -d2 -z");
}
