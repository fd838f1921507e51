#include "cmpheader.h"
#include "settingkeys.h"
#include "tempstore.h"
#include "testfiles.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace quillon {
namespace {

using testing::readAll;
using testing::writeFile;

class HeaderFiles : public ::testing::Test {
protected:
    QString path(const QString& name) const { return folder_.filePath(name); }

    QString datWith(const QByteArray& content, const QString& name = QStringLiteral("in.dat"))
    {
        writeFile(path(name), content);
        return path(name);
    }

    DatHeader readHeader(const QByteArray& content, bool searchWholeFile = false)
    {
        DatHeader header;
        ReadDatHeader(datWith(content), header, searchWholeFile);
        return header;
    }

    QByteArray appended(const QByteArray& content)
    {
        const QString destination = path(QStringLiteral("out.dat"));
        QFile::remove(destination);
        EXPECT_TRUE(AppendDatWithoutHeader(destination, datWith(content)));
        return readAll(destination);
    }

private:
    QTemporaryDir folder_;
};

QByteArray lines(int count, const QByteArray& text)
{
    QByteArray result;
    for (int index = 0; index < count; ++index)
        result += text + "\r\n";
    return result;
}

const QByteArray StandardBlock = "clrmamepro (\r\n"
                                 "\tname \"MAME\"\r\n"
                                 "\tdescription \"MAME 0.78\"\r\n"
                                 "\tcategory \"Standard DatFile\"\r\n"
                                 "\tversion \"0.78\"\r\n"
                                 "\tauthor \"someone\"\r\n"
                                 "\tcomment \"a note\"\r\n"
                                 ")\r\n";

DatHeader standardHeader()
{
    DatHeader header;
    header.name = "MAME";
    header.description = "MAME 0.78";
    header.version = "0.78";
    header.author = "someone";
    header.category = "Standard DatFile";
    header.comment = "a note";
    return header;
}

TEST(HeaderLines, NormalisingHalvesBlankPairsBeforeTabsBecomeBlanks)
{
    EXPECT_EQ(NormalizeHeaderLine("  CLRMAMEPRO ("), "clrmamepro (");
    EXPECT_EQ(NormalizeHeaderLine("a   b"), "a  b") << "three blanks become two";
    EXPECT_EQ(NormalizeHeaderLine("a    b"), "a  b") << "four blanks become two";
    EXPECT_EQ(NormalizeHeaderLine("a \tb"), "a  b") << "a blank then a TAB stays two blanks";
    EXPECT_EQ(NormalizeHeaderLine("\tName\t\"X\" \t"), "name \"x\"");
    EXPECT_EQ(HeaderLineKey("\t\tNAME  \"x y\""), "name");
    EXPECT_EQ(HeaderLineKey("\t \t"), "");
    EXPECT_EQ(HeaderLineKey("version"), "version");
}

TEST(HeaderLines, ValueKeepsCaseDropsTabsAndQuotes)
{
    EXPECT_EQ(HeaderLineValue("\tname\t\"MAME\"", "name"), "MAME");
    EXPECT_EQ(HeaderLineValue("\tdescription \"Two  Blanks\"", "description"), "Two Blanks");
    EXPECT_EQ(HeaderLineValue("\tversion ", "version"), "");
    EXPECT_EQ(HeaderLineValue("\tver", "version"), "") << "a line shorter than its key gives nothing";
    EXPECT_EQ(HeaderLineValue("  NAME   unquoted Value", "name"), "unquoted Value");
}

TEST(HeaderLines, TabAloneSeparatesKeyAndValue)
{
    EXPECT_EQ(HeaderLineValue("name\tMAME", "name"), "MAME");
    EXPECT_EQ(HeaderLineValue("\tversion\t0.78", "version"), "0.78");
    EXPECT_EQ(HeaderLineValue("description\t\"A\tB\"", "description"), "AB") << "TABs inside a value still go";
}

TEST_F(HeaderFiles, WritesEightLinesWithEmptyValuesAsKeyAndBlank)
{
    DatHeader header;
    header.name = "MAME";
    ASSERT_TRUE(WriteHeaderFile(path("h.tmp"), header));
    EXPECT_EQ(readAll(path("h.tmp")), "clrmamepro (\r\n"
                                      "\tname \"MAME\"\r\n"
                                      "\tdescription \r\n"
                                      "\tcategory \r\n"
                                      "\tversion \r\n"
                                      "\tauthor \r\n"
                                      "\tcomment \r\n"
                                      ")\r\n");
}

TEST_F(HeaderFiles, WritesQuotesOnlyWhereMissingAndReplacesTheFile)
{
    writeFile(path("h.tmp"), QByteArray(5000, 'x'));
    DatHeader header = standardHeader();
    header.name = "\"quoted\"";
    header.description = "\"open only";
    header.comment = "in \"the\" middle";
    ASSERT_TRUE(WriteHeaderFile(path("h.tmp"), header));
    const QByteArray written = readAll(path("h.tmp"));
    EXPECT_TRUE(written.startsWith("clrmamepro (\r\n\tname \"quoted\"\r\n\tdescription \"open only\"\r\n"));
    EXPECT_TRUE(written.contains("\tcomment \"in \"the\" middle\"\r\n"));
    EXPECT_TRUE(written.endsWith(")\r\n"));
}

TEST_F(HeaderFiles, WriteFailsInAMissingFolder)
{
    EXPECT_FALSE(WriteHeaderFile(path("no/such/folder/h.tmp"), standardHeader()));
}

TEST_F(HeaderFiles, ReadsWhatWasWrittenAndAnyLayoutOfIt)
{
    ASSERT_TRUE(WriteHeaderFile(path("h.tmp"), standardHeader()));
    DatHeader header;
    ReadDatHeader(path("h.tmp"), header, false);
    EXPECT_EQ(header, standardHeader());

    const QByteArray loose = "CLRMAMEPRO  (\n"
                             "    NAME \"MAME\"\n"
                             "  Description\t\"MAME  0.78\"\n"
                             "\n"
                             "category \"Standard DatFile\"\r"
                             "\tversion\t\"0.78\"\r\n"
                             "\tauthor someone\n"
                             "\tforcemerging full\n"
                             "\tcomment \"a note\"\n"
                             "\t)\n";
    EXPECT_EQ(readHeader(loose), standardHeader());
}

TEST_F(HeaderFiles, ReadingKeepsUntouchedFieldsAndTheLaterOfTwoLines)
{
    DatHeader header;
    header.author = "kept";
    header.version = "old";
    ReadDatHeader(datWith("clrmamepro (\n\tname \"A\"\n\tname \"B\"\n\tversion \n)\n"), header, false);
    EXPECT_EQ(header.name, "B");
    EXPECT_EQ(header.version, "") << "a key without value empties the field";
    EXPECT_EQ(header.author, "kept");
}

TEST_F(HeaderFiles, OnlyTheFirstBlockCountsAndAnUnclosedOneKeepsItsValues)
{
    EXPECT_EQ(readHeader("clrmamepro (\n\tname \"A\"\n)\nclrmamepro (\n\tname \"B\"\n)\n").name, "A");
    const DatHeader unclosed = readHeader("clrmamepro (\n\tname \"A\"\n\tversion \"1\"");
    EXPECT_EQ(unclosed.name, "A");
    EXPECT_EQ(unclosed.version, "1");
}

TEST_F(HeaderFiles, KeywordWithoutItsBlankOpensNothing)
{
    EXPECT_EQ(readHeader("clrmamepro(\n\tname \"A\"\n)\n").name, "");
    EXPECT_EQ(readHeader("clrmamepro   (\n\tname \"A\"\n)\n").name, "") << "three blanks become two";
    EXPECT_EQ(readHeader("clrmamepro\t(\n\tname \"A\"\n)\n").name, "A");
}

TEST_F(HeaderFiles, OnlyLinesOneToNineteenOpenTheBlockUnlessTheWholeFileIsSearched)
{
    const QByteArray block = "clrmamepro (\r\n\tname \"Found\"\r\n)\r\n";
    EXPECT_EQ(readHeader(lines(18, "game") + block).name, "Found") << "block on line 19";
    EXPECT_EQ(readHeader(lines(19, "game") + block).name, "") << "block on line 20";
    EXPECT_EQ(readHeader(lines(4999, "game") + block, true).name, "Found");

    testing::TempStore temp;
    DatHeader header;
    const QString dat = datWith(lines(4999, "game") + block);
    ReadDatHeader(temp.store(), dat, header);
    EXPECT_EQ(header.name, "") << "SearchWholeFile is off when missing";
    temp.store().write(keys::SearchWholeFile, "1");
    ReadDatHeader(temp.store(), dat, header);
    EXPECT_EQ(header.name, "Found");
}

TEST_F(HeaderFiles, AMissingOrForeignFileLeavesTheRecordAlone)
{
    DatHeader header = standardHeader();
    ReadDatHeader(path("missing.dat"), header, true);
    EXPECT_EQ(header, standardHeader());
    QByteArray binary(4096, '\0');
    for (int index = 0; index < binary.size(); ++index)
        binary[index] = static_cast<char>(index * 7);
    ReadDatHeader(datWith(binary), header, true);
    EXPECT_EQ(header, standardHeader());
}

TEST_F(HeaderFiles, ValuesDecodeAsUtf8OrLatin1AndAreWrittenBackTheSameWay)
{
    const DatHeader utf8 = readHeader("clrmamepro (\n\tname \"Caf\xc3\xa9\"\n)\n");
    EXPECT_EQ(utf8.name, QString::fromUtf8("Caf\xc3\xa9"));
    EXPECT_EQ(utf8.encoding, HeaderEncoding::Utf8);

    const DatHeader latin1 = readHeader("clrmamepro (\n\tname \"Caf\xe9\"\n\tauthor \"\xc3\xa9\"\n)\n");
    EXPECT_EQ(latin1.name, QString::fromLatin1("Caf\xe9"));
    EXPECT_EQ(latin1.encoding, HeaderEncoding::Latin1);
    ASSERT_TRUE(WriteHeaderFile(path("h.tmp"), latin1));
    EXPECT_TRUE(readAll(path("h.tmp")).contains("\tname \"Caf\xe9\"\r\n"));

    DatHeader beyondLatin1 = latin1;
    beyondLatin1.comment = QString::fromUtf8("\xe2\x82\xac");  // euro sign
    ASSERT_TRUE(WriteHeaderFile(path("h.tmp"), beyondLatin1));
    EXPECT_TRUE(readAll(path("h.tmp")).contains("\tcomment \"\xe2\x82\xac\"\r\n"));
}

TEST_F(HeaderFiles, AppendingDropsEveryBlockAndEndsLinesWithCrLf)
{
    EXPECT_EQ(appended("clrmamepro (\n\tname \"A\"\n)\ngame (\n)\n\tCLRMAMEPRO (\r\n\tname x\r\n\t)\nlast"),
              "game (\r\n)\r\nlast\r\n");
    EXPECT_EQ(appended("a\rb\r\nc\nd\n\re"), "a\r\nb\r\nc\r\nd\r\n\r\ne\r\n");
    EXPECT_EQ(appended(""), "");
    EXPECT_EQ(appended("game\nclrmamepro (\n\tname \"cut\"\n"), "game\r\n") << "an unclosed block runs to the end";
    const QByteArray binary("\x00\xff\x1a\xfe\r\n", 6);
    EXPECT_EQ(appended(binary), binary) << "bytes pass through unchanged";
}

TEST_F(HeaderFiles, NewHeaderThenOldBodyGivesTheDatWithItsNewHeader)
{
    const QString destination = path("h.tmp");
    ASSERT_TRUE(WriteHeaderFile(destination, standardHeader()));
    const QString dat = datWith("clrmamepro (\n\tname \"old\"\n)\n\ngame (\n)\n");
    ASSERT_TRUE(AppendDatWithoutHeader(destination, dat));
    EXPECT_EQ(readAll(destination), StandardBlock + "\r\ngame (\r\n)\r\n");
}

TEST_F(HeaderFiles, AppendFailsWithoutTouchingTheDestinationWhenTheSourceIsMissing)
{
    writeFile(path("out.dat"), "kept");
    EXPECT_FALSE(AppendDatWithoutHeader(path("out.dat"), path("missing.dat")));
    EXPECT_EQ(readAll(path("out.dat")), "kept");
    EXPECT_FALSE(AppendDatWithoutHeader(path("no/folder/out.dat"), datWith("game\n")));
}

// Line ends of every kind at random places, across many read blocks, against a plain reference.
TEST_F(HeaderFiles, LongFilesMatchTheLineByLineReference)
{
    QRandomGenerator random(5);
    const QByteArrayList ends = {"\r\n", "\n", "\r"};
    QByteArray dat;
    QByteArray expected;
    while (dat.size() < 3 * 1024 * 1024 + 17) {
        // Lines are never empty: a lone CR before an empty line ended by LF would make one CR LF.
        const QByteArray line(random.bounded(1, 120), static_cast<char>('a' + random.bounded(0, 26)));
        dat += line + ends[random.bounded(0, 3)];
        expected += line + "\r\n";
    }
    // A CR LF astride the first block boundary of 1 MiB.
    const qsizetype boundary = 1024 * 1024 - 1;
    QByteArray straddling = dat.left(boundary);
    straddling.replace('\r', 'x').replace('\n', 'x');
    const QByteArray rest = "\r\n" + dat.mid(boundary + 2);
    EXPECT_EQ(appended(straddling + rest), straddling + appended(rest));
    EXPECT_EQ(appended(dat), expected);
}

TEST_F(HeaderFiles, RealDatsKeepTheirBodies)
{
    const QString demo = QStringLiteral(QUILLON_SOURCE_DIR "/demo/quillon_demo_1.0.dat");
    const QString hbmame = QStringLiteral(SHARED_DATS_DIR "/hbmame_0.220.dat");
    if (!QFile::exists(demo) || !QFile::exists(hbmame))
        GTEST_SKIP() << "the demo DAT or " SHARED_DATS_DIR " is missing";
    DatHeader header;
    ReadDatHeader(hbmame, header, false);
    EXPECT_EQ(header.name, "HBMAME");
    EXPECT_EQ(header.description, "Full game rom set, non merged, game files only (no bioses), torrentzipped");

    const QByteArray original = readAll(demo);
    const QByteArray body = appended(original);
    EXPECT_EQ(body, original.mid(original.indexOf("\r\n)\r\n") + 5));
}

}  // namespace
}  // namespace quillon
