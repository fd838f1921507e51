// Set types, BIOS, devices and nodump objects, on one family of sets written in each format,
// with and without merge marks.
#include "dat_loader.h"
#include "test_support.h"

#include <gtest/gtest.h>

namespace setdelta::test {
namespace {

// A parent and clone, a BIOS with a game and its clone, a device. Without merge marks the
// clones list what they share with the parent and BIOS in full.
const std::string textWithoutMarks = R"xml(
resource ( name neobios rom ( name bios1 size 4 crc 11111111 ) )
game ( name pacman
  rom ( name p1 size 4 crc a1a1a1a1 ) rom ( name p2 size 4 crc a2a2a2a2 ) rom ( name shared size 4 crc a3a3a3a3 )
  rom ( name missing size 4 status nodump ) rom ( name zero size 4 crc 00000000 ) )
game ( name pacmanj cloneof pacman romof pacman
  rom ( name j1 size 4 crc b1b1b1b1 ) rom ( name p2 size 4 crc a2a2a2a2 ) )
game ( name ngame romof neobios
  rom ( name n1 size 4 crc c1c1c1c1 ) rom ( name bios1 size 4 crc 11111111 ) )
game ( name ngamej cloneof ngame romof ngame
  rom ( name n1 size 4 crc c1c1c1c1 ) rom ( name nj1 size 4 crc c2c2c2c2 ) rom ( name bios1 size 4 crc 11111111 ) )
game ( name dev isdevice yes rom ( name d1 size 4 crc d1d1d1d1 ) )
)xml";

// The same family as an XML datafile DAT with merge marks: the clone's p2 is marked, and the clone
// lists the parent's p1 and shared as well, as non-merged DATs with marks do.
const std::string datafileWithMarks = R"xml(<?xml version="1.0"?>
<datafile><header><name>marks</name></header>
<game name="neobios" isbios="yes"><rom name="bios1" size="4" crc="11111111"/></game>
<game name="pacman">
  <rom name="p1" size="4" crc="a1a1a1a1"/><rom name="p2" size="4" crc="a2a2a2a2"/><rom name="shared" size="4" crc="a3a3a3a3"/>
  <rom name="missing" size="4" status="nodump"/><rom name="zero" size="4" crc="00000000"/></game>
<game name="pacmanj" cloneof="pacman" romof="pacman">
  <rom name="j1" size="4" crc="b1b1b1b1"/><rom name="p2" merge="p2" size="4" crc="a2a2a2a2"/>
  <rom name="p1" merge="p1" size="4" crc="a1a1a1a1"/><rom name="shared" merge="shared" size="4" crc="a3a3a3a3"/></game>
<game name="ngame" romof="neobios"><rom name="n1" size="4" crc="c1c1c1c1"/><rom name="bios1" merge="bios1" size="4" crc="11111111"/></game>
<game name="ngamej" cloneof="ngame" romof="ngame">
  <rom name="n1" merge="n1" size="4" crc="c1c1c1c1"/><rom name="nj1" size="4" crc="c2c2c2c2"/>
  <rom name="bios1" merge="bios1" size="4" crc="11111111"/></game>
<machine name="dev" isdevice="yes"><rom name="d1" size="4" crc="d1d1d1d1"/></machine>
</datafile>)xml";

struct Family {
    std::string name;
    std::string content;
};

class Resolution : public testing::TestWithParam<Family> {};

TEST_P(Resolution, EachSetTypeWithAndWithoutNodumpsAndBiosObjects)
{
    TempFolder folder;
    Dat dat = loadDat(folder.write("family.dat", GetParam().content), ObjectKind::Rom);
    struct Row {
        ResolveOptions options;
        std::string expected;
    };
    const std::vector<Row> rows = {
        {{SetType::Split, false, false}, "neobios: bios1 | pacman: p1 p2 shared | pacmanj: j1 | ngame: n1 | ngamej: nj1 | dev: d1"},
        {{SetType::Merged, false, false}, "neobios: bios1 | pacman: p1 p2 shared j1 | ngame: n1 nj1 | dev: d1"},
        {{SetType::NonMerged, false, false},
         "neobios: bios1 | pacman: p1 p2 shared | pacmanj: j1 p2 p1 shared | ngame: n1 | ngamej: n1 nj1 | dev: d1"},
        {{SetType::Split, true, false},
         "neobios: bios1 | pacman: p1 p2 shared missing zero | pacmanj: j1 | ngame: n1 | ngamej: nj1 | dev: d1"},
        {{SetType::Split, false, true},
         "neobios: bios1 | pacman: p1 p2 shared | pacmanj: j1 | ngame: n1 bios1 | ngamej: nj1 bios1 | dev: d1"},
        {{SetType::Merged, false, true}, "neobios: bios1 | pacman: p1 p2 shared j1 | ngame: n1 bios1 nj1 | dev: d1"},
        {{SetType::NonMerged, false, true}, "neobios: bios1 | pacman: p1 p2 shared | pacmanj: j1 p2 p1 shared | "
                                             "ngame: n1 bios1 | ngamej: n1 nj1 bios1 | dev: d1"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.expected);
        EXPECT_EQ(describe(resolve(dat, row.options)), row.expected);
    }
}

INSTANTIATE_TEST_SUITE_P(EachFormat, Resolution,
                         testing::Values(Family{"TextWithoutMarks", textWithoutMarks},
                                         Family{"DatafileWithMarks", datafileWithMarks}),
                         [](const auto& paramInfo) { return paramInfo.param.name; });

// Orphans, parent loops, disk and sample identity, and merge marks read per kind (MAME 0.78
// marks its clones' ROMs but not their disks).
TEST(Resolution, SmallFamiliesOfEachKind)
{
    struct Row {
        std::string content;
        ObjectKind kind;
        ResolveOptions options;
        std::string expected;
    };
    const std::string disks = R"xml(<datafile>
<machine name="p"><disk name="a" sha1="0123456789abcdef0123456789abcdef01234567"/>
  <disk name="b" md5="0123456789abcdef0123456789abcdef"/></machine>
<machine name="c" cloneof="p"><disk name="a" sha1="0123456789abcdef0123456789abcdef01234567"/>
  <disk name="b" md5="0123456789abcdef0123456789abcdef"/><disk name="own" sha1="ffffffffffffffffffffffffffffffffffffffff"/>
  <disk name="lost" status="nodump"/></machine></datafile>)xml";
    const std::string marks = R"xml(<mame>
<game name="p"><rom name="r" size="1" crc="1"/><disk name="d" sha1="0123456789abcdef0123456789abcdef01234567"/></game>
<game name="c" cloneof="p" romof="p"><rom name="r" merge="r" size="1" crc="1"/><rom name="own" size="1" crc="2"/>
  <disk name="d" sha1="0123456789abcdef0123456789abcdef01234567"/></game></mame>)xml";
    const std::string samples = "game ( name p sample a.wav sample b.wav )\n"
                                "game ( name c cloneof p sample a.wav sample c.wav )\n"
                                "game ( name none rom ( name r size 1 crc 1 ) )";
    const std::string loop = "game ( name a cloneof b romof b rom ( name x size 1 crc 1 ) )\n"
                             "game ( name b cloneof a romof a rom ( name y size 1 crc 2 ) )";
    const std::vector<Row> rows = {
        {"game ( name orphan cloneof gone rom ( name o size 1 crc 1 ) )", ObjectKind::Rom, {SetType::Merged, false, false},
         "orphan: o"},
        {loop, ObjectKind::Rom, {SetType::Split, false, false}, "a: x | b: y"},
        {loop, ObjectKind::Rom, {SetType::Merged, false, false}, "a: x | b: y"},
        {loop, ObjectKind::Rom, {SetType::NonMerged, false, false}, "a: x y | b: y x"},
        {disks, ObjectKind::Disk, {SetType::Split, false, false}, "p: a b | c: own"},
        {disks, ObjectKind::Disk, {SetType::Split, true, false}, "p: a b | c: own lost"},
        {marks, ObjectKind::Rom, {SetType::Split, false, false}, "p: r | c: own"},
        {marks, ObjectKind::Disk, {SetType::Split, false, false}, "p: d"},
        {samples, ObjectKind::Sample, {SetType::Split, false, false}, "p: a.wav b.wav | c: c.wav"},
        {samples, ObjectKind::Sample, {SetType::Merged, false, false}, "p: a.wav b.wav c.wav"},
    };
    TempFolder folder;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.content);
        Dat dat = loadDat(folder.write("family.dat", row.content), row.kind);
        EXPECT_EQ(describe(resolve(dat, row.options)), row.expected);
    }
}

} // namespace
} // namespace setdelta::test
