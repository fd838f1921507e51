// Resolution into set types, the comparison and what each DAT type writes, on small DATs in
// each format, with the results once wrong on real DATs.
#include "content.h"
#include "test_support.h"

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
<datafile><header><name>marks</name></header><game name="neobios" isbios="yes"><rom name="bios1" size="4" crc="11111111"/></game>
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
<machine name="dev" isdevice="yes"><rom name="d1" size="4" crc="d1d1d1d1"/></machine></datafile>)xml";

TEST(Resolution, EachSetTypeWithAndWithoutNodumpsAndBiosObjectsInEachFormat)
{
    using enum SetType;
    const std::vector<std::pair<ResolveOptions, std::string>> rows = {
        {{Split}, "neobios: bios1 | pacman: p1 p2 shared | pacmanj: j1 | ngame: n1 | ngamej: nj1 | dev: d1"},
        {{Merged}, "neobios: bios1 | pacman: p1 p2 shared j1 | ngame: n1 nj1 | dev: d1"},
        {{NonMerged}, "neobios: bios1 | pacman: p1 p2 shared | pacmanj: j1 p2 p1 shared | ngame: n1 | ngamej: n1 nj1 | dev: d1"},
        {{Split, true}, "neobios: bios1 | pacman: p1 p2 shared missing zero | pacmanj: j1 | ngame: n1 | ngamej: nj1 | dev: d1"},
        {{Split, false, true}, "neobios: bios1 | pacman: p1 p2 shared | pacmanj: j1 | ngame: n1 bios1 | ngamej: nj1 bios1 | dev: d1"},
        {{Merged, false, true}, "neobios: bios1 | pacman: p1 p2 shared j1 | ngame: n1 bios1 nj1 | dev: d1"},
        {{NonMerged, false, true},
         "neobios: bios1 | pacman: p1 p2 shared | pacmanj: j1 p2 p1 shared | ngame: n1 bios1 | ngamej: n1 nj1 bios1 | dev: d1"},
    };
    TempFolder folder;
    for (const std::string& family : {textWithoutMarks, datafileWithMarks}) {
        Dat dat = loadDat(folder.write("family.dat", family), ObjectKind::Rom);
        for (const auto& [options, expected] : rows) {
            SCOPED_TRACE(family.substr(0, 10) + " " + expected);
            EXPECT_EQ(describe(resolve(dat, options)), expected);
        }
    }
}

// Orphans, parent loops, disk and sample identity, and merge marks read per kind (MAME 0.78
// marks its clones' ROMs but not their disks).
TEST(Resolution, SmallFamiliesOfEachKind)
{
    using enum SetType;
    using enum ObjectKind;
    const std::string shared = R"(<disk name="a" sha1="0123456789abcdef0123456789abcdef01234567"/>
<disk name="b" md5="0123456789abcdef0123456789abcdef"/>)";
    const std::string disks = "<datafile><machine name=\"p\">" + shared + "</machine><machine name=\"c\" cloneof=\"p\">" + shared +
                              R"(<disk name="own" sha1="ffffffffffffffffffffffffffffffffffffffff"/><disk name="lost" status="nodump"/>
</machine></datafile>)";
    const std::string marks = R"xml(<mame>
<game name="p"><rom name="r" size="1" crc="1"/><disk name="d" sha1="0123456789abcdef0123456789abcdef01234567"/></game>
<game name="c" cloneof="p" romof="p"><rom name="r" merge="r" size="1" crc="1"/><rom name="own" size="1" crc="2"/>
  <disk name="d" sha1="0123456789abcdef0123456789abcdef01234567"/></game></mame>)xml";
    const std::string samples = "game ( name p sample a.wav sample b.wav )\n"
                                "game ( name c cloneof p sample a.wav sample c.wav )\n"
                                "game ( name none rom ( name r size 1 crc 1 ) )";
    const std::string loop = "game ( name a cloneof b romof b rom ( name x size 1 crc 1 ) )\n"
                             "game ( name b cloneof a romof a rom ( name y size 1 crc 2 ) )";
    const std::vector<std::tuple<std::string, ObjectKind, ResolveOptions, std::string>> rows = {
        {"game ( name orphan cloneof gone rom ( name o size 1 crc 1 ) )", Rom, {Merged}, "orphan: o"},
        {loop, Rom, {Split}, "a: x | b: y"},
        {loop, Rom, {Merged}, "a: x | b: y"},
        {loop, Rom, {NonMerged}, "a: x y | b: y x"},
        {disks, Disk, {Split}, "p: a b | c: own"},
        {disks, Disk, {Split, true}, "p: a b | c: own lost"},
        {marks, Rom, {Split}, "p: r | c: own"},
        {marks, Disk, {Split}, "p: d"},
        {samples, Sample, {Split}, "p: a.wav b.wav | c: c.wav"},
        {samples, Sample, {Merged}, "p: a.wav b.wav c.wav"},
    };
    TempFolder folder;
    for (const auto& [content, kind, options, expected] : rows) {
        SCOPED_TRACE(content);
        EXPECT_EQ(describe(resolve(loadDat(folder.write("family.dat", content), kind), options)), expected);
    }
}

// Devices whose romof names another device mark the ROM they share: a non-merged set keeps it
// all the same, as it keeps whatever it lists; split and merged sets inherit it.
const std::string keyboards = R"xml(<mame build="0.251">
<machine name="a2000kbd_us" isdevice="yes" runnable="no"><rom name="6570-036" size="2048" crc="4a3fc332"/></machine>
<machine name="a500kbd_ch" isdevice="yes" runnable="no" romof="a2000kbd_us">
  <rom name="6570-036" merge="6570-036" size="2048" crc="4a3fc332"/></machine></mame>)xml";
const std::string oneKeyboard = R"xml(<mame build="0.139">
<machine name="a2000kbd_us" isdevice="yes" runnable="no"><rom name="6570-036" size="2048" crc="4a3fc332"/></machine></mame>)xml";

TEST(Resolution, NonMergedDevicesKeepWhatTheirMergeMarksName)
{
    using enum SetType;
    TempFolder folder;
    Dat dat = loadDat(folder.write("keyboards.xml", keyboards), ObjectKind::Rom);
    EXPECT_EQ(describe(resolve(dat, {NonMerged})), "a2000kbd_us: 6570-036 | a500kbd_ch: 6570-036");
    EXPECT_EQ(describe(resolve(dat, {NonMerged, false, true})), "a2000kbd_us: 6570-036 | a500kbd_ch: 6570-036");
    EXPECT_EQ(describe(resolve(dat, {Split})), "a2000kbd_us: 6570-036");
    EXPECT_EQ(describe(resolve(dat, {Merged})), "a2000kbd_us: 6570-036");
}

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

// MAME lists a ROM once for every region that loads it; a merged set holds it once.
const std::string oldBosco = R"xml(<mame build="1"><machine name="bosco">
<rom name="bos3_1.3n" size="4096" crc="96021267"/><sample name="shot.wav"/></machine></mame>)xml";
const std::string newBosco = R"xml(<mame build="2"><machine name="bosco">
<rom name="bos3_1.3n" size="4096" crc="96021267"/>
<rom name="50xx.bin" size="2048" crc="a0acbaf7"/><rom name="50xx.bin" size="2048" crc="a0acbaf7"/>
<sample name="shot.wav"/><sample name="boom.wav"/><sample name="boom.wav"/></machine>
<machine name="boscoj" cloneof="bosco" romof="bosco"><rom name="50xx.bin" size="2048" crc="a0acbaf7"/>
<rom name="j.bin" size="16" crc="12345678"/><rom name="j.bin" size="16" crc="12345678"/></machine></mame>)xml";
const std::string oldBios = "resource ( name neogeo rom ( name sp-s2.sp1 size 131072 crc 9036d879 ) )\n";
const std::string newBios = "resource ( name neogeo rom ( name sp-s2.sp1 size 131072 crc 9036d879 )\n"
                            "  rom ( name sm1.sm1 size 131072 crc 94416d67 ) rom ( name sm1.sm1 size 131072 crc 94416d67 ) )\n";
// A copy of a ROM under a new name takes nothing away, so ROM archival keeps nothing of it; its
// old name is kept, so it is no side of a rename but an added ROM.
const std::string oldCopies = "game ( name crush rom ( name mbrush.6f size 4096 crc 8a7db1ff ) )\n"
                              "game ( name moved rom ( name a.bin size 4 crc 11 ) rom ( name b.bin size 4 crc 11 ) )\n";
const std::string newCopies = "game ( name crush rom ( name mbrush.6f size 4096 crc 8a7db1ff )\n"
                              "  rom ( name cr6.7e size 4096 crc 8a7db1ff ) )\n"
                              "game ( name moved rom ( name a.bin size 4 crc 11 ) rom ( name c.bin size 4 crc 11 ) )\n";

// Objects at the same place in both sets count as held without a lookup, and where no set lists
// an object twice only the others are indexed by name. What moved or repeats must still be found,
// also where its only match is at the same place, and a copy under a new name still sees its source.
const std::string moved = "game ( name moved rom ( name m1 size 1 crc 1 ) rom ( name m2 size 1 crc 2 ) "
                          "rom ( name m3 size 1 crc 3 ) )\n"
                          "game ( name twice rom ( name t1 size 1 crc 4 ) rom ( name t2 size 1 crc 5 ) )\n";
const std::string movedNew = "game ( name moved rom ( name m3 size 1 crc 3 ) rom ( name m2 size 1 crc 2 ) "
                             "rom ( name m1 size 1 crc 9 ) )\n"
                             "game ( name twice rom ( name t1 size 1 crc 4 ) rom ( name t2 size 1 crc 6 ) "
                             "rom ( name t1 size 1 crc 4 ) )\n";
// A dropped alias: one content under two names, of which NEW keeps one. c1.rom is no side of a
// rename; c2.rom is removed.
const std::string aliases = R"xml(<datafile><game name="4play"><rom name="c1.rom" size="4" crc="7ee8cdcd"/>
<rom name="c2.rom" size="4" crc="7ee8cdcd"/><rom name="p1.rom" size="4" crc="3c3d741b"/></game></datafile>)xml";
const std::string oneAlias = R"xml(<datafile><game name="4play"><rom name="c1.rom" size="4" crc="7ee8cdcd"/>
<rom name="p1.rom" size="4" crc="3c3d741b"/></game></datafile>)xml";
const std::string clone = "game ( name k cloneof p rom ( name x size 1 crc 5 ) )\n";
const std::string copied = "game ( name p rom ( name a size 1 crc 1 ) )\n" + clone;
const std::string copiedNew = "game ( name p rom ( name a size 1 crc 1 ) rom ( name b size 1 crc 1 ) )\n" + clone;
// The second "a" is held by the old set's first, which has an equal at its place.
const std::string listedOnce = "game ( name p rom ( name a size 1 crc 1 ) rom ( name c size 1 crc 3 ) )\n" + clone;
const std::string listedTwice =
    "game ( name p rom ( name a size 1 crc 1 ) rom ( name d size 1 crc 4 ) rom ( name a size 1 crc 1 ) )\n" + clone;

// In a large set that changed a little, only the objects that may share content with what
// changed are indexed: a rename must still be found, also through the SHA-1 alone.
std::string bigSet(const std::string& renamedRoms)
{
    std::string text = "game ( name big";
    for (int rom = 1; rom <= 8; ++rom)
        text += " rom ( name b" + std::to_string(rom) + " size 1 crc " + std::to_string(rom) + " )";
    return text + renamedRoms + " )\n";
}
const std::string bigSha1 = "0123456789abcdef0123456789abcdef01234567";
const std::string bigOld = bigSet(" rom ( name r size 1 crc 9 ) rom ( name h size 1 sha1 " + bigSha1 + " )");
const std::string bigNew = bigSet(" rom ( name rnew size 1 crc 9 ) rom ( name hnew size 1 crc 77 sha1 " + bigSha1 + " )");

// What each level writes, with and without renames and nodump objects, the results once wrong
// on real DATs (repeated objects in merged sets, copies under ROM archival) and the shortcuts.
TEST(Delta, EachLevelWritesItsShareOfTheDifferences)
{
    using enum DeltaLevel;
    const ResolveOptions merged{SetType::Merged}, nonMerged{SetType::NonMerged};
    struct Row {
        std::string_view oldContent = oldText;
        std::string_view newContent = newText;
        Options options;
        std::string expected;
    };
    const std::vector<Row> rows = {
        {.options{.level = Larger}, .expected = "grown: g1 g2 | shrunk: s1 | fresh: f1 f2 | swapped: w1 bad"},
        {.expected = "grown: g2 | fresh: f1 f2 | swapped: w1 bad"},
        {.options{.level = EvenSmaller}, .expected = "grown: g2 | fresh: f1 | swapped: w1 bad"},
        {.options{.level = RomArchival}, .expected = "shrunk: s2 | dropped: d1 | swapped: w1"},
        {.options{.withRenames = true}, .expected = "grown: g2 | renamed: r1new | fresh: f1 f2 | swapped: w1 bad"},
        {.options{.level = RomArchival, .withRenames = true}, .expected = "shrunk: s2 | renamed: r1 | dropped: d1 | swapped: w1"},
        // The old "bad" was never dumped; its new dump is a different object under the same name.
        {.options{.resolve{SetType::Split, true}, .level = RomArchival}, .expected = "shrunk: s2 | dropped: d1 | swapped: w1 bad"},
        {oldBosco, newBosco, {.resolve = merged}, "bosco: 50xx.bin j.bin"},
        {oldBosco, newBosco, {.resolve = merged, .level = Larger}, "bosco: bos3_1.3n 50xx.bin j.bin"},
        {newBosco, oldBosco, {.resolve = merged, .level = RomArchival}, "bosco: 50xx.bin j.bin"},
        {oldBosco, newBosco, {.resolve = merged, .kind = ObjectKind::Sample}, "bosco: boom.wav"},
        {oldBios, newBios, {.resolve = merged}, "neogeo: sm1.sm1"},
        {oldCopies, newCopies, {.level = RomArchival, .withRenames = true}, "moved: b.bin"},
        {oldCopies, newCopies, {}, "crush: cr6.7e"},
        {oneKeyboard, keyboards, {.resolve = nonMerged}, "a500kbd_ch: 6570-036"},
        {oneKeyboard, keyboards, {.resolve = nonMerged, .level = EvenSmaller}, ""},
        {oneKeyboard, keyboards, {}, ""},
        {oneKeyboard, keyboards, {.resolve = merged}, ""},
        {aliases, oneAlias, {.withRenames = true}, ""},
        {aliases, oneAlias, {.level = Larger, .withRenames = true}, "4play: c1.rom p1.rom"},
        {aliases, oneAlias, {.level = RomArchival, .withRenames = true}, "4play: c2.rom"},
        {aliases, oneAlias, {.level = RomArchival}, "4play: c2.rom"},
        {oneAlias, aliases, {.withRenames = true}, "4play: c2.rom"},
        {oneAlias, aliases, {.level = RomArchival, .withRenames = true}, ""},
        {oldCopies, newCopies, {.withRenames = true}, "crush: cr6.7e | moved: c.bin"},
        {moved, movedNew, {}, "moved: m1 | twice: t2"},
        {moved, movedNew, {.level = RomArchival}, "moved: m1 | twice: t2"},
        {copied, copiedNew, {.resolve = nonMerged, .withRenames = true}, "p: b | k: b"},
        {copied, copiedNew, {.resolve = nonMerged, .level = RomArchival, .withRenames = true}, ""},
        {listedOnce, listedTwice, {.resolve = nonMerged}, "p: d | k: d"},
        {bigOld, bigNew, {}, ""},
        {bigOld, bigNew, {.withRenames = true}, "big: rnew hnew"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.newContent.substr(0, 30)) + " " + row.expected);
        EXPECT_EQ(deltaText(row.oldContent, row.newContent, row.options), row.expected);
    }
}

// ROMs match on size and CRC, and on SHA-1 where both have one; the index finds a ROM through
// either hash.
TEST(Content, RomsMatchOnSizeAndCrcAndOnSha1WhereBothHaveOne)
{
    auto rom = [](std::uint32_t crc, std::uint8_t sha1, std::uint64_t size = 16) {
        Object object{.size = size, .crc = crc, .hasSize = true, .hasCrc = crc != 0, .hasSha1 = sha1 != 0};
        object.sha1.fill(sha1);
        return object;
    };
    EXPECT_TRUE(sameContent(rom(7, 0), rom(7, 9), ObjectKind::Rom)) << "only one side has a SHA-1";
    EXPECT_FALSE(sameContent(rom(7, 3), rom(7, 9), ObjectKind::Rom));
    EXPECT_FALSE(sameContent(rom(7, 9, 17), rom(7, 9), ObjectKind::Rom));

    // The index keeps pointers to the objects it holds, as to those of a DAT.
    const Object crcOnly = rom(7, 0), sha1Only = rom(0, 9);
    ContentIndex index(ObjectKind::Rom);
    index.add(crcOnly);
    index.add(sha1Only);
    index.build();
    EXPECT_TRUE(index.holds(rom(7, 3))) << "through the CRC";
    EXPECT_TRUE(index.holds(rom(8, 9))) << "through the SHA-1";
    EXPECT_FALSE(index.holds(rom(8, 4)));
}

} // namespace
} // namespace setdelta::test
