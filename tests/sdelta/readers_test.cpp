// The readers on small DATs written for the tests: fields, errors, warnings, byte order marks, and
// a file that changes while it is read. The text writer is read back on the real DATs.
#include "dat_error.h"
#include "input_file.h"
#include "text_reader.h"
#include "test_support.h"
#include "xml_reader.h"

namespace setdelta::test {
namespace {

Dat load(const std::string& content, ObjectKind kind = ObjectKind::Rom)
{
    return loadDat(TempFolder().write("input.dat", content), kind);
}

// The message of the DatError `read` throws.
std::string errorOf(const std::function<void()>& read)
{
    try {
        read();
        return "no error";
    } catch (const DatError& error) {
        return error.what();
    }
}

const std::string textDat = "clrmamepro (\r\n\tname \"Test DAT\"\r\n\tversion 1.0\r\n)\r\n"
                            "game (\r\n\tname pacman\r\n\tdescription \"Pac-Man (Midway)\"\r\n\tmanufacturer \"Namco\"\r\n"
                            "\trom ( name pm.6e size 4096 crc C1E6AB10 sha1 e87e059c5be45753f7e9f33dff851f16d6751181 region cpu1 )\r\n"
                            "\trom ( name pm.5f merge pm.5f size 0x1000 crc 958fedf9 flags dispose )\r\n"
                            "\trom ( name prom size 32 crc 00000000 flags nodump )\r\n"
                            "\tdisk ( name chd sha1 0123456789abcdef0123456789abcdef01234567 )\r\n\tsample fire.wav\r\n)\r\n"
                            "resource ( name neogeo rom ( name bios.rom size 4 crc 11111111 ) )\n";

TEST(TextReader, ReadsSetsFieldsAndObjectsOfTheChosenKind)
{
    Dat dat = load(textDat);
    EXPECT_EQ(dat.format, DatFormat::ClrMamePro);
    EXPECT_EQ(dat.header.name + " " + dat.header.version, "Test DAT 1.0");
    ASSERT_EQ(dat.sets.size(), 2u);
    EXPECT_EQ(dat.sets[0].description, "Pac-Man (Midway)");
    EXPECT_EQ(dat.sets[0].manufacturer, "Namco");
    EXPECT_TRUE(dat.sets[1].isBios);
    ASSERT_EQ(dat.sets[0].objectCount, 3u);
    auto roms = dat.objectsOf(dat.sets[0]);
    EXPECT_EQ(roms[0].crc, 0xc1e6ab10u);
    EXPECT_EQ(roms[0].sha1[0], 0xe8);
    EXPECT_EQ(roms[1].size, 4096u);
    EXPECT_EQ(roms[1].merge, "pm.5f");
    EXPECT_EQ(roms[1].flags, FlagDispose);
    EXPECT_EQ(roms[2].status, DumpStatus::NoDump);
    EXPECT_EQ(load(textDat, ObjectKind::Disk).objects.size(), 1u);
    EXPECT_EQ(load(textDat, ObjectKind::Sample).objects.at(0).name, "fire.wav");
}

// A key that ends its line has no value: the next line's key keeps its own value, and the DAT
// says where the empty key was. A value may still open a block on the next line.
TEST(TextReader, KeyWithoutAValueTakesNothingFromTheNextLine)
{
    Dat dat = load("clrmamepro (\r\n\tname \"Test DAT\"\r\n\tauthor \r\n\tcategory\r\n\tversion 1.0\r\n)\r\n"
                   "game (\n\tname a\n\tdescription\n\tyear 1990\n\trom\n\t( name a1 size 1 crc 1 )\n\tmanufacturer\n)\n");
    EXPECT_EQ(dat.header.name + " " + dat.header.version, "Test DAT 1.0");
    ASSERT_EQ(dat.sets.size(), 1u);
    EXPECT_EQ(dat.sets[0].description, "");
    EXPECT_EQ(dat.sets[0].year, "1990");
    EXPECT_EQ(dat.sets[0].objectCount, 1u);
    EXPECT_EQ(dat.warnings, (std::vector<std::string>{
                                dat.source.label() + ":3: 'author' has no value; it is ignored",
                                dat.source.label() + ":4: 'category' has no value; it is ignored",
                                dat.source.label() + ":9: 'description' has no value; it is ignored",
                                dat.source.label() + ":13: 'manufacturer' has no value; it is ignored"}));
}

// Malformed input is an error naming the file, the line and the reason, with lines counted
// alike for every line end, also where a CR LF straddles two blocks of reading.
TEST(Readers, RejectMalformedInputWithFileLineAndReason)
{
    const std::string head = "game ( name a";
    const std::string straddling = head + std::string(4095 - head.size(), ' ') + "\r\n\n";
    const std::vector<std::tuple<std::string, std::string, std::string>> rows = {
        {"game (\r name a\r rom ( name b crc zz )\r)", ":3:", "invalid crc value 'zz'"},
        {"game (\n name a\n rom ( name b crc zz )\n)", ":3:", "invalid crc value 'zz'"},
        {"game (\r\n name a\r\n rom ( name b crc zz )\r\n)", ":3:", "invalid crc value 'zz'"},
        {straddling + "rom ( name b crc zz ) )", ":3:", "invalid crc value 'zz'"},
        {"game (\n name a\n rom ( name b size 1 crc 1 )\n", ":4:", "ends inside the 'game' block opened at line 1"},
        {"game ( name a )\n)\n", ":2:", "expected the name of a block"},
        {"game\n name a\n", ":2:", "expected '(' after 'game'"},
        {"game ( name \"unclosed )\n", ":1:", "quoted value is not closed"},
        {"game ( description nameless )", ":1:", "set without a name"},
        {"game ( name a rom ( size 1 ) )", ":1:", "object without a name"},
        {"game ( name a \x01\x02 )", ":1:", "binary data"},
        {" \n\t\r\n", "", "the file is empty"},
        {"<datafile>\n<game name=\"a\">\n<rom name=\"r\" size=\"1\" crc=\"1\"/>\n", ":4:", "XML error"},
        {"<datafile>\n<game name=\"a\"></gme>\n</datafile>", ":2:", "mismatched tag"},
        {"<softwarelist name=\"x\"/>", ":1:", "neither <datafile> nor <mame>"},
        {"<datafile>\n<game>\n</game></datafile>", ":2:", "set without a name"},
        {"<datafile><game name=\"a\">\n<rom name=\"r\" sha1=\"12\"/></game></datafile>", ":2:", "invalid sha1 value '12'"},
    };
    TempFolder folder;
    for (const auto& [content, where, reason] : rows) {
        SCOPED_TRACE(content.substr(0, 60));
        std::string path = folder.write("input.dat", content);
        const bool isText = content.starts_with("game");
        std::string error = errorOf([&] {
            if (!isText)
                return static_cast<void>(loadDat(path, ObjectKind::Rom));
            InputFile input(path, {}, 4096); // blocks of 4 KiB split the CR LF of `straddling`
            Dat dat;
            readTextDat(input, dat);
        });
        EXPECT_NE(error.find("input.dat" + where), std::string::npos) << error;
        EXPECT_NE(error.find(reason), std::string::npos) << error;
    }
}

// No name, value, line or piece of markup may pass the limit, in either format, whether it comes
// in one block or across many; what stays within it reads.
TEST(Readers, RefuseTokensAndLinesPastTheLimitWithFileAndLine)
{
    const std::size_t limit = InputFile::tokenLimit;
    const std::string huge(limit + 1, 'x');
    std::string manyWords;
    while (manyWords.size() <= limit)
        manyWords += " year 1990";
    const std::vector<std::tuple<std::string, std::string, std::string>> rows = {
        {"game (\n name " + huge + " )\n", ":2:", "the line is longer than 1 MiB"},
        {"game (\n name a\n description \"" + std::string(limit / 2, 'x') + "\n" + std::string(limit / 2, 'x') + "\" )",
         ":3:", "a name or value is longer than 1 MiB"},
        {"game (\n name a" + manyWords + " )\n", ":2:", "the line is longer than 1 MiB"},
        {"<datafile>\n<game name=\"" + huge + "\"/></datafile>", ":2:", "markup is longer than 1 MiB"},
        {"<datafile>\n<!-- " + huge + huge + " -->\n</datafile>", ":2:", "markup is longer than 1 MiB"},
        {"<datafile>\n<game name=\"a\">\n<description>" + huge + "</description></game></datafile>", ":3:",
         "a value is longer than 1 MiB"},
    };
    TempFolder folder;
    for (const auto& [content, where, reason] : rows) {
        SCOPED_TRACE(content.substr(0, 40));
        const bool isXml = content.starts_with("<");
        for (std::size_t block : {std::size_t{1} << 16, InputFile::defaultBlockSize}) {
            InputFile input(folder.write("input.dat", content), {}, block);
            Dat dat;
            std::string error = errorOf([&] {
                if (isXml)
                    readXmlDat(input, dat);
                else
                    readTextDat(input, dat);
            });
            EXPECT_NE(error.find("input.dat" + where), std::string::npos) << error.substr(0, 200);
            EXPECT_NE(error.find(reason), std::string::npos) << error.substr(0, 200);
        }
    }
    const std::string longest(limit - 100, 'n');
    EXPECT_EQ(load("game ( name " + longest + " )").sets.at(0).name, longest);
    EXPECT_EQ(load("<datafile><game name=\"" + longest + "\"/></datafile>").sets.at(0).name, longest);
}

// The internal DTD gives defaults that are not values of the DAT.
const std::string listXml = R"xml(<?xml version="1.0"?>
<!DOCTYPE mame [<!ATTLIST rom status (baddump|nodump|good) "nodump">]>
<mame build="0.94 (test)">
	<game runnable="no" name="neogeo"><description>Neo-Geo &amp; co</description>
		<biosset name="euro" description="Europe"/><rom name="sp-s2.sp1" size="131072" crc="9036d879" status="good"/></game>
	<game name="mslug" romof="neogeo">
		<rom name="201-p1.p1" size="2097152" crc="08d8daa5" dispose="yes"/>
		<disk name="mslug" sha1="0123456789abcdef0123456789abcdef01234567"/>
		<sample name="shot.wav"/><device_ref name="z80"/><chip type="cpu" name="68000"/></game>
	<machine name="z80" isdevice="yes" runnable="no"><rom name="z80.bin" size="1" crc="2"/></machine>
</mame>)xml";

TEST(XmlReader, ReadsListxmlWithItsInternalDtdDefaultsIgnored)
{
    Dat list = load(listXml);
    EXPECT_EQ(list.format, DatFormat::MameListXml);
    EXPECT_EQ(list.header.build, "0.94 (test)");
    ASSERT_EQ(list.sets.size(), 3u);
    EXPECT_TRUE(list.sets[0].isBios) << "runnable=\"no\" marks a BIOS in old listxml";
    EXPECT_EQ(list.sets[0].description, "Neo-Geo & co");
    EXPECT_FALSE(list.sets[2].isBios);
    EXPECT_TRUE(list.sets[2].isDevice);
    const Object& rom = list.objectsOf(list.sets[1])[0];
    EXPECT_EQ(rom.status, DumpStatus::Good) << "a DTD default is not a value the DAT gives";
    EXPECT_EQ(rom.flags, FlagDispose);
    EXPECT_EQ(load(listXml, ObjectKind::Disk).objects.size(), 1u);
    EXPECT_EQ(load(listXml, ObjectKind::Sample).objects.size(), 1u);
}

// A byte order mark before a text DAT with or without a header, an XML datafile or a listxml.
TEST(ByteOrderMark, IsSkippedInEveryFormat)
{
    const std::vector<std::tuple<std::string, DatFormat, std::string>> rows = {
        {"clrmamepro ( name Marked )\ngame ( name a rom ( name a1 size 1 crc 1 ) )\n", DatFormat::ClrMamePro, "Marked"},
        {"game ( name a rom ( name a1 size 1 crc 1 ) )\n", DatFormat::ClrMamePro, ""},
        {"<?xml version=\"1.0\"?>\n<datafile><header><name>Marked</name></header><game name=\"a\">"
         "<rom name=\"a1\" size=\"1\" crc=\"1\"/></game></datafile>", DatFormat::XmlDatafile, "Marked"},
        {"<mame build=\"0.1\"><machine name=\"a\"><rom name=\"a1\" size=\"1\" crc=\"1\"/></machine></mame>",
         DatFormat::MameListXml, ""},
    };
    for (const auto& [content, format, name] : rows) {
        SCOPED_TRACE(content);
        Dat dat = load("\xEF\xBB\xBF" + content);
        EXPECT_EQ(dat.format, format);
        EXPECT_EQ(dat.header.name, name);
        EXPECT_EQ(describe(resolve(dat, {})), "a: a1");
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
        InputFile input(folder.write("changing.dat", before), {}, 4096);
        folder.write("changing.dat", after);
        Dat dat;
        EXPECT_NE(errorOf([&] { readTextDat(input, dat); }).find("changed while it was read"), std::string::npos)
            << dat.sets.size() << " sets read";
    }
}

TEST(Warnings, AreCappedPerKindWithACountOfTheRest)
{
    std::string text;
    for (int i = 0; i < 1000; ++i)
        text += manySets(5);
    Dat dat = load(text + "game ( name q description \"a\nb\" )\n");
    ASSERT_EQ(dat.warnings.size(), 22u);
    EXPECT_NE(dat.warnings[0].find("quoted value runs across a line break"), std::string::npos);
    EXPECT_NE(dat.warnings[21].find("input.dat: 4975 more warnings like the repeated sets above are not shown"),
              std::string::npos) << dat.warnings[21];
}

} // namespace
} // namespace setdelta::test
