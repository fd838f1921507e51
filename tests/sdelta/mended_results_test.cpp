// Results once wrong on real DATs: repeated objects in merged sets, copies under -d4 -r, a byte
// order mark, and a file that changes while it is read.
#include "dat_error.h"
#include "dat_loader.h"
#include "input_file.h"
#include "test_support.h"
#include "text_reader.h"

#include <gtest/gtest.h>

namespace setdelta::test {
namespace {

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
// A copy of a ROM under a new name takes nothing away, so ROM archival keeps nothing of it.
const std::string oldCopies = "game ( name crush rom ( name mbrush.6f size 4096 crc 8a7db1ff ) )\n"
                              "game ( name moved rom ( name a.bin size 4 crc 11 ) rom ( name b.bin size 4 crc 11 ) )\n";
const std::string newCopies = "game ( name crush rom ( name mbrush.6f size 4096 crc 8a7db1ff )\n"
                              "  rom ( name cr6.7e size 4096 crc 8a7db1ff ) )\n"
                              "game ( name moved rom ( name a.bin size 4 crc 11 ) rom ( name c.bin size 4 crc 11 ) )\n";

TEST(MendedResults, RepeatedObjectsInMergedSetsAndCopiesUnderRomArchival)
{
    struct Row {
        const std::string& oldContent;
        const std::string& newContent;
        SetType type;
        DeltaLevel level;
        ObjectKind kind;
        std::string expected;
    };
    const std::vector<Row> rows = {
        {oldBosco, newBosco, SetType::Merged, DeltaLevel::Smaller, ObjectKind::Rom, "bosco: 50xx.bin j.bin"},
        {oldBosco, newBosco, SetType::Merged, DeltaLevel::Larger, ObjectKind::Rom, "bosco: bos3_1.3n 50xx.bin j.bin"},
        {newBosco, oldBosco, SetType::Merged, DeltaLevel::RomArchival, ObjectKind::Rom, "bosco: 50xx.bin j.bin"},
        {oldBosco, newBosco, SetType::Merged, DeltaLevel::Smaller, ObjectKind::Sample, "bosco: boom.wav"},
        {oldBios, newBios, SetType::Merged, DeltaLevel::Smaller, ObjectKind::Rom, "neogeo: sm1.sm1"},
        {oldCopies, newCopies, SetType::Split, DeltaLevel::RomArchival, ObjectKind::Rom, "moved: b.bin"},
        {oldCopies, newCopies, SetType::Split, DeltaLevel::Smaller, ObjectKind::Rom, "crush: cr6.7e | moved: c.bin"},
    };
    TempFolder folder;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.expected);
        Options options;
        options.resolve.setType = row.type;
        options.level = row.level;
        options.withRenames = true;
        Dat oldDat = loadDat(folder.write("old", row.oldContent), row.kind);
        Dat newDat = loadDat(folder.write("new", row.newContent), row.kind);
        EXPECT_EQ(deltaText(oldDat, newDat, options), row.expected);
    }
}

// A byte order mark before a text DAT with or without a header, an XML datafile or a listxml.
TEST(ByteOrderMark, IsSkippedInEveryFormat)
{
    const std::string mark = "\xEF\xBB\xBF";
    struct Row {
        std::string content;
        DatFormat format;
        std::string name;
    };
    const std::vector<Row> rows = {
        {"clrmamepro ( name Marked )\ngame ( name a rom ( name a1 size 1 crc 1 ) )\n", DatFormat::ClrMamePro, "Marked"},
        {"game ( name a rom ( name a1 size 1 crc 1 ) )\n", DatFormat::ClrMamePro, ""},
        {"<?xml version=\"1.0\"?>\n<datafile><header><name>Marked</name></header><game name=\"a\">"
         "<rom name=\"a1\" size=\"1\" crc=\"1\"/></game></datafile>",
         DatFormat::XmlDatafile, "Marked"},
        {"<mame build=\"0.1\"><machine name=\"a\"><rom name=\"a1\" size=\"1\" crc=\"1\"/></machine></mame>",
         DatFormat::MameListXml, ""},
    };
    TempFolder folder;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.content);
        Dat dat = loadDat(folder.write("marked.dat", mark + row.content), ObjectKind::Rom);
        EXPECT_EQ(dat.format, row.format);
        EXPECT_EQ(dat.header.name, row.name);
        ASSERT_EQ(dat.sets.size(), 1u);
        EXPECT_EQ(dat.sets[0].name, "a");
        EXPECT_EQ(dat.objects.size(), 1u);
    }
}

// Another program rewriting the DAT while it is read must not pass for a smaller or larger DAT.
TEST(ChangingFile, ShrinkingOrGrowingWhileReadIsAnInputError)
{
    TempFolder folder;
    const std::string set = "game ( name a rom ( name a1 size 1 crc 1 ) )\n";
    std::string content;
    while (content.size() < 64 * 1024)
        content += set;
    for (const auto& [before, after] : {std::pair{content, content.substr(0, set.size() * 100)}, std::pair{set, set + set}}) {
        std::string path = folder.write("changing.dat", before);
        InputFile input(path, {}, 4096);
        folder.write("changing.dat", after);
        Dat dat;
        try {
            readTextDat(input, dat);
            ADD_FAILURE() << "read " << dat.sets.size() << " sets of a file that changed";
        } catch (const DatError& error) {
            EXPECT_NE(std::string(error.what()).find("changed while it was read"), std::string::npos) << error.what();
        }
    }
}

} // namespace
} // namespace setdelta::test
