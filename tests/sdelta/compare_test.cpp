// What each DAT type writes, renames and nodump objects, on a pair of small DATs.
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

TEST(Levels, EachLevelWritesItsShareOfTheDifferences)
{
    TempFolder folder;
    Dat oldDat = loadDat(folder.write("old.dat", oldText), ObjectKind::Rom);
    Dat newDat = loadDat(folder.write("new.dat", newText), ObjectKind::Rom);
    struct Row {
        DeltaLevel level;
        bool renames;
        bool nodump;
        std::string expected;
    };
    const std::vector<Row> rows = {
        {DeltaLevel::Larger, false, false, "grown: g1 g2 | shrunk: s1 | fresh: f1 f2 | swapped: w1 bad"},
        {DeltaLevel::Smaller, false, false, "grown: g2 | fresh: f1 f2 | swapped: w1 bad"},
        {DeltaLevel::EvenSmaller, false, false, "grown: g2 | fresh: f1 | swapped: w1 bad"},
        {DeltaLevel::RomArchival, false, false, "shrunk: s2 | dropped: d1 | swapped: w1"},
        {DeltaLevel::Smaller, true, false, "grown: g2 | renamed: r1new | fresh: f1 f2 | swapped: w1 bad"},
        {DeltaLevel::RomArchival, true, false, "shrunk: s2 | renamed: r1 | dropped: d1 | swapped: w1"},
        // The old "bad" was never dumped; its new dump is a different object under the same name.
        {DeltaLevel::RomArchival, false, true, "shrunk: s2 | dropped: d1 | swapped: w1 bad"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.expected);
        Options options;
        options.level = row.level;
        options.withRenames = row.renames;
        options.resolve.includeNodump = row.nodump;
        EXPECT_EQ(deltaText(oldDat, newDat, options), row.expected);
    }
}

// ROMs match on size and CRC, and on SHA-1 where both have one; the index finds a ROM through
// either hash.
TEST(Content, RomsMatchOnSizeAndCrcAndOnSha1WhereBothHaveOne)
{
    Object crcOnly;
    crcOnly.hasSize = crcOnly.hasCrc = true;
    crcOnly.size = 16;
    crcOnly.crc = 7;
    Object withSha1 = crcOnly;
    withSha1.hasSha1 = true;
    withSha1.sha1.fill(9);
    Object otherSha1 = withSha1;
    otherSha1.sha1.fill(3);
    Object otherSize = withSha1;
    otherSize.size = 17;
    EXPECT_TRUE(sameContent(crcOnly, withSha1, ObjectKind::Rom)) << "only one side has a SHA-1";
    EXPECT_FALSE(sameContent(otherSha1, withSha1, ObjectKind::Rom));
    EXPECT_FALSE(sameContent(otherSize, withSha1, ObjectKind::Rom));

    Object sha1Only;
    sha1Only.hasSize = sha1Only.hasSha1 = true;
    sha1Only.size = 16;
    sha1Only.sha1.fill(9);
    ContentIndex index(ObjectKind::Rom);
    index.add(crcOnly);
    index.add(sha1Only);
    index.build();
    EXPECT_TRUE(index.holds(otherSha1)) << "through the CRC";
    Object otherCrc = withSha1;
    otherCrc.crc = 8;
    EXPECT_TRUE(index.holds(otherCrc)) << "through the SHA-1";
    otherCrc.sha1.fill(4);
    EXPECT_FALSE(index.holds(otherCrc));
}

} // namespace
} // namespace setdelta::test
