// What each DAT type writes, renames and nodump objects, on a pair of small DATs.
#include "compare.h"
#include "content.h"
#include "dat_loader.h"
#include "test_support.h"

#include <gtest/gtest.h>

namespace setdelta::test {
namespace {

// OLD -> NEW: "kept" is unchanged, "grown" gains g2, "shrunk" loses s2, "renamed" has r1
// under a new name, "dropped" goes, "fresh" arrives (with one ROM OLD has elsewhere), and
// "swapped" gets a new dump of w1 under the same name.
const std::string oldText = R"xml(
game ( name kept rom ( name k1 size 1 crc 10 ) )
game ( name grown rom ( name g1 size 1 crc 20 ) )
game ( name shrunk rom ( name s1 size 1 crc 30 ) rom ( name s2 size 1 crc 31 ) )
game ( name renamed rom ( name r1 size 1 crc 40 ) rom ( name r2 size 1 crc 41 ) )
game ( name dropped description "Gone" rom ( name d1 size 1 crc 50 ) )
game ( name swapped rom ( name w1 size 1 crc 60 ) rom ( name bad size 1 status nodump ) )
)xml";

const std::string newText = R"xml(
game ( name kept rom ( name k1 size 1 crc 10 ) )
game ( name grown rom ( name g1 size 1 crc 20 ) rom ( name g2 size 1 crc 21 ) )
game ( name shrunk rom ( name s1 size 1 crc 30 ) )
game ( name renamed rom ( name r1new size 1 crc 40 ) rom ( name r2 size 1 crc 41 ) )
game ( name fresh description "New" rom ( name f1 size 1 crc 70 ) rom ( name f2 size 1 crc 20 ) )
game ( name swapped rom ( name w1 size 1 crc 61 ) rom ( name bad size 1 crc 62 ) )
)xml";

class Levels : public testing::Test {
protected:
    std::string delta(DeltaLevel level, bool renames = false, bool nodump = false)
    {
        Options options;
        options.level = level;
        options.withRenames = renames;
        options.resolve.includeNodump = nodump;
        return deltaText(old_, new_, options);
    }

    TempFolder folder_;
    Dat old_ = loadDat(folder_.write("old.dat", oldText), ObjectKind::Rom);
    Dat new_ = loadDat(folder_.write("new.xml", newText), ObjectKind::Rom);
};

TEST_F(Levels, LargerWritesNewAndChangedSetsWhole)
{
    EXPECT_EQ(delta(DeltaLevel::Larger), "grown: g1 g2 | shrunk: s1 | fresh: f1 f2 | swapped: w1 bad");
}

TEST_F(Levels, SmallerWritesChangedSetsWithTheirAddedObjects)
{
    EXPECT_EQ(delta(DeltaLevel::Smaller), "grown: g2 | fresh: f1 f2 | swapped: w1 bad");
}

TEST_F(Levels, EvenSmallerLeavesOutContentOldHasAnywhere)
{
    EXPECT_EQ(delta(DeltaLevel::EvenSmaller), "grown: g2 | fresh: f1 | swapped: w1 bad");
}

TEST_F(Levels, RomArchivalWritesWhatNewDrops)
{
    EXPECT_EQ(delta(DeltaLevel::RomArchival), "shrunk: s2 | dropped: d1 | swapped: w1");
}

TEST_F(Levels, RenamesCountOnlyWithTheSwitch)
{
    EXPECT_EQ(delta(DeltaLevel::Smaller, true), "grown: g2 | renamed: r1new | fresh: f1 f2 | swapped: w1 bad");
    EXPECT_EQ(delta(DeltaLevel::RomArchival, true), "shrunk: s2 | renamed: r1 | dropped: d1 | swapped: w1");
}

TEST_F(Levels, NodumpObjectsAreComparedByNameWithTheSwitch)
{
    // The old "bad" was never dumped; its new dump is a different object under the same name.
    EXPECT_EQ(delta(DeltaLevel::RomArchival, false, true), "shrunk: s2 | dropped: d1 | swapped: w1 bad");
}

TEST_F(Levels, ComparisonListsEachKindOfDifference)
{
    ResolvedDat oldResolved = resolve(old_, {});
    ResolvedDat newResolved = resolve(new_, {});
    Comparison comparison = compare(oldResolved, newResolved, true);
    ASSERT_EQ(comparison.newSets.size(), 1u);
    EXPECT_EQ(newResolved.sets[comparison.newSets[0]].set->name, "fresh");
    ASSERT_EQ(comparison.removedSets.size(), 1u);
    EXPECT_EQ(oldResolved.sets[comparison.removedSets[0]].set->name, "dropped");
    ASSERT_EQ(comparison.changedSets.size(), 4u);
    const SetChange& renamed = comparison.changedSets[2];
    ASSERT_EQ(renamed.renamed.size(), 1u);
    EXPECT_EQ(renamed.renamed[0].from->name, "r1");
    EXPECT_EQ(renamed.renamed[0].to->name, "r1new");
    EXPECT_TRUE(renamed.added.empty());
    EXPECT_TRUE(renamed.removed.empty());
}

TEST(Content, RomsMatchOnSizeAndCrcAndOnSha1WhereBothHaveOne)
{
    Object a;
    a.name = "a";
    a.hasSize = a.hasCrc = true;
    a.size = 16;
    a.crc = 0x1234;
    Object b = a;
    EXPECT_TRUE(sameContent(a, b, ObjectKind::Rom));
    b.hasSha1 = true;
    b.sha1[0] = 1;
    EXPECT_TRUE(sameContent(a, b, ObjectKind::Rom)) << "only one side has a SHA-1";
    a.hasSha1 = true;
    EXPECT_FALSE(sameContent(a, b, ObjectKind::Rom));
    a.sha1 = b.sha1;
    b.size = 17;
    EXPECT_FALSE(sameContent(a, b, ObjectKind::Rom));
}

TEST(Content, IndexFindsRomsThroughEitherHash)
{
    Object crcOnly;
    crcOnly.hasSize = crcOnly.hasCrc = true;
    crcOnly.crc = 7;
    Object sha1Only;
    sha1Only.hasSize = sha1Only.hasSha1 = true;
    sha1Only.sha1.fill(9);
    ContentIndex index(ObjectKind::Rom);
    index.add(crcOnly);
    index.add(sha1Only);
    index.build();

    Object both = crcOnly;
    both.hasSha1 = true;
    both.sha1.fill(3);
    EXPECT_TRUE(index.holds(both));
    both.crc = 8;
    both.sha1.fill(9);
    EXPECT_TRUE(index.holds(both));
    both.sha1.fill(4);
    EXPECT_FALSE(index.holds(both));
}

} // namespace
} // namespace setdelta::test
