// Results once wrong on real DATs: repeated objects in merged sets, copies under -d4 -r.
#include "dat_loader.h"
#include "test_support.h"

#include <gtest/gtest.h>

namespace setdelta::test {
namespace {

std::string deltaOfTexts(const std::string& oldContent, const std::string& newContent, const Options& options,
                         ObjectKind kind = ObjectKind::Rom)
{
    TempFolder folder;
    Dat oldDat = loadDat(folder.write("old", oldContent), kind);
    Dat newDat = loadDat(folder.write("new", newContent), kind);
    return deltaText(oldDat, newDat, options);
}

Options optionsOf(SetType type, DeltaLevel level, bool renames = false)
{
    Options options;
    options.resolve.setType = type;
    options.level = level;
    options.withRenames = renames;
    return options;
}

// MAME lists a ROM once for every region that loads it; a merged set holds it once.
const std::string oldBosco = R"xml(<mame build="1"><machine name="bosco">
<rom name="bos3_1.3n" size="4096" crc="96021267"/><sample name="shot.wav"/></machine></mame>)xml";
const std::string newBosco = R"xml(<mame build="2"><machine name="bosco">
<rom name="bos3_1.3n" size="4096" crc="96021267"/>
<rom name="50xx.bin" size="2048" crc="a0acbaf7"/><rom name="50xx.bin" size="2048" crc="a0acbaf7"/>
<sample name="shot.wav"/><sample name="boom.wav"/><sample name="boom.wav"/></machine>
<machine name="boscoj" cloneof="bosco" romof="bosco"><rom name="50xx.bin" size="2048" crc="a0acbaf7"/>
<rom name="j.bin" size="16" crc="12345678"/><rom name="j.bin" size="16" crc="12345678"/></machine></mame>)xml";

TEST(MergedSets, HoldEachObjectOnceAlsoWhereTheParentListsItTwice)
{
    EXPECT_EQ(deltaOfTexts(oldBosco, newBosco, optionsOf(SetType::Merged, DeltaLevel::Smaller)),
              "bosco: 50xx.bin j.bin");
    EXPECT_EQ(deltaOfTexts(oldBosco, newBosco, optionsOf(SetType::Merged, DeltaLevel::Larger)),
              "bosco: bos3_1.3n 50xx.bin j.bin");
    EXPECT_EQ(deltaOfTexts(newBosco, oldBosco, optionsOf(SetType::Merged, DeltaLevel::RomArchival)),
              "bosco: 50xx.bin j.bin");
    Options samples = optionsOf(SetType::Merged, DeltaLevel::Smaller);
    EXPECT_EQ(deltaOfTexts(oldBosco, newBosco, samples, ObjectKind::Sample), "bosco: boom.wav");
}

TEST(MergedSets, ABiosSetListingARomTwiceHoldsItOnce)
{
    const std::string oldDat = "resource ( name neogeo rom ( name sp-s2.sp1 size 131072 crc 9036d879 ) )\n";
    const std::string newDat = "resource ( name neogeo rom ( name sp-s2.sp1 size 131072 crc 9036d879 )\n"
                               "  rom ( name sm1.sm1 size 131072 crc 94416d67 )\n"
                               "  rom ( name sm1.sm1 size 131072 crc 94416d67 ) )\n";
    EXPECT_EQ(deltaOfTexts(oldDat, newDat, optionsOf(SetType::Merged, DeltaLevel::Smaller)), "neogeo: sm1.sm1");
}

// A copy of a ROM under a new name takes nothing away, so ROM archival keeps nothing of it.
TEST(RomArchivalWithRenames, WritesOnlyOldObjectsTheNewSetNoLongerHolds)
{
    const std::string oldDat = "game ( name crush rom ( name mbrush.6f size 4096 crc 8a7db1ff ) )\n"
                               "game ( name moved rom ( name a.bin size 4 crc 11 ) rom ( name b.bin size 4 crc 11 ) )\n";
    const std::string newDat = "game ( name crush rom ( name mbrush.6f size 4096 crc 8a7db1ff )\n"
                               "  rom ( name cr6.7e size 4096 crc 8a7db1ff ) )\n"
                               "game ( name moved rom ( name a.bin size 4 crc 11 ) rom ( name c.bin size 4 crc 11 ) )\n";
    EXPECT_EQ(deltaOfTexts(oldDat, newDat, optionsOf(SetType::Split, DeltaLevel::RomArchival, true)),
              "moved: b.bin");
    EXPECT_EQ(deltaOfTexts(oldDat, newDat, optionsOf(SetType::Split, DeltaLevel::Smaller, true)),
              "crush: cr6.7e | moved: c.bin");
}

} // namespace
} // namespace setdelta::test
