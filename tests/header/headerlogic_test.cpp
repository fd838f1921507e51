#include "cmpheader.h"
#include "filesizelimit.h"
#include "settingkeys.h"
#include "tempstore.h"
#include "testfiles.h"
#include "xmlheader.h"

#include <QCoreApplication>
#include <QDir>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>

#include <sys/stat.h>

namespace quillon {
namespace {

using namespace Qt::Literals::StringLiterals;
using testing::readAll;
using testing::writeFile;

// Header blocks of text DATs and <header> elements of XML datafile DATs, in real files.
class HeaderLogic : public ::testing::Test {
protected:
    QString path(const QString& name) const { return folder.filePath(name); }

    QString write(const QByteArray& content, const QString& name = u"game.dat"_s)
    {
        writeFile(path(name), content);
        return path(name);
    }

    QByteArray appended(const QByteArray& content)
    {
        QFile::remove(path(u"out.dat"_s));
        EXPECT_TRUE(AppendDatWithoutHeader(path(u"out.dat"_s), write(content)));
        return readAll(path(u"out.dat"_s));
    }

    XmlHeaderLayout scanned(const QString& dat)
    {
        const Result<XmlHeaderLayout> outcome = ScanXmlHeader(dat);
        EXPECT_TRUE(outcome.ok()) << outcome.reason().toStdString();
        return outcome ? *outcome : XmlHeaderLayout();
    }

    // The file after its header has been rewritten with `edited`.
    QByteArray rewritten(const QByteArray& content, const DatHeader& edited)
    {
        const QString dat = write(content);
        EXPECT_TRUE(RewriteXmlHeader(dat, scanned(dat), edited));
        return readAll(dat);
    }

    QTemporaryDir folder;
};
using HeaderFiles = HeaderLogic;
using XmlHeader = HeaderLogic;

const QByteArray GameLine = "game\r\n";

// Every case starts from a record holding a version and a comment, to show what a DAT leaves alone.
const DatHeader Before{.version = u"old"_s, .comment = u"kept"_s};

DatHeader named(const QString& name)
{
    DatHeader header = Before;
    header.name = name;
    return header;
}

const QByteArray BlockA = "clrmamepro (\n\tname \"A\"\n)\n";

const struct LineForm {
    const char* what;
    QByteArray dat;
    DatHeader expected;
    bool searchWholeFile = false;
} LineForms[] = {
    {"any case, blanks, TABs, CR alone, unquoted values and unknown keys",
     "CLRMAMEPRO  (\n    NAME \"MAME\"\n  Description\t\"MAME  0.78\"\n\ncategory \"Standard DatFile\"\r"
     "\tversion\t\"0.78\"\r\n\tauthor someone\n\tforcemerging full\n\tcomment \"a note\"\n\t)\n",
     {.name = u"MAME"_s, .description = u"MAME 0.78"_s, .version = u"0.78"_s, .author = u"someone"_s,
      .category = u"Standard DatFile"_s, .comment = u"a note"_s}},
    {"the later of two lines wins; a key without value empties its field",
     "clrmamepro (\n\tname \"A\"\n\tname \"B\"\n\tversion \n)\n", {.name = u"B"_s, .comment = u"kept"_s}},
    {"a TAB alone separates key and value; TABs inside a value go", "clrmamepro (\nname\t\"A\tB\"\n)\n", named(u"AB"_s)},
    {"pairs of blanks inside a value are halved; unquoted values keep their case",
     "clrmamepro (\n  NAME   Two  Blanks\n)\n", named(u"Two Blanks"_s)},
    {"only the first block counts", BlockA + "clrmamepro (\n\tname \"B\"\n)\n", named(u"A"_s)},
    {"an unclosed block keeps its values", "clrmamepro (\n\tname \"A\"", named(u"A"_s)},
    {"the keyword without its blank opens nothing", "clrmamepro(\n\tname \"A\"\n)\n", Before},
    {"three blanks before the bracket become two and open nothing", "clrmamepro   (\n\tname \"A\"\n)\n", Before},
    {"a TAB before the bracket is a blank", "clrmamepro\t(\n\tname \"A\"\n)\n", named(u"A"_s)},
    {"a block on line 19 is found", GameLine.repeated(18) + BlockA, named(u"A"_s)},
    {"a block on line 20 is not", GameLine.repeated(19) + BlockA, Before},
    {"a block anywhere when the whole file is searched", GameLine.repeated(4999) + BlockA, named(u"A"_s), true},
    {"UTF-8 values", "clrmamepro (\n\tname \"Caf\xc3\xa9\"\n)\n", named(u"Café"_s)},
    {"a binary file changes nothing", QByteArray("\x00\x07\x0e\xff\x1a(\r\n\x00", 9).repeated(400), Before, true},
};

TEST_F(HeaderFiles, EveryLineFormReadsAsExpected)
{
    for (const LineForm& form : LineForms) {
        SCOPED_TRACE(form.what);
        const std::optional<DatHeader> header = ReadDatHeader(write(form.dat), form.searchWholeFile, Before);
        EXPECT_EQ(header.value_or(Before), form.expected);
    }
    EXPECT_FALSE(ReadDatHeader(path(u"missing.dat"_s), true, Before));

    testing::TempStore temp;
    const QString dat = write(GameLine.repeated(30) + BlockA);
    EXPECT_FALSE(ReadDatHeader(temp.store(), dat)) << "SearchWholeFile is off when missing";
    temp.store().write(keys::SearchWholeFile, u"1"_s);
    EXPECT_TRUE(ReadDatHeader(temp.store(), dat));
}

TEST_F(HeaderFiles, WrittenBlockHasEightCrLfLinesAndQuotesWhereMissing)
{
    const QString file = path(u"h.tmp"_s);
    writeFile(file, QByteArray(5000, 'x'));
    ASSERT_TRUE(WriteHeaderFile(file, {.name = u"\"quoted\""_s, .description = u"\"open"_s, .comment = u"a \"b\" c"_s}));
    EXPECT_EQ(readAll(file), "clrmamepro (\r\n\tname \"quoted\"\r\n\tdescription \"open\"\r\n\tcategory \"\"\r\n"
                             "\tversion \"\"\r\n\tauthor \"\"\r\n\tcomment \"a \"b\" c\"\r\n)\r\n");

    EXPECT_TRUE(WriteHeaderFile(path(u"no/h.tmp"_s), {}).reason().endsWith(u"No such file or directory"_s));
}

TEST_F(HeaderFiles, ValuesKeepTheirEncodingWhenWrittenBack)
{
    // One value that is not UTF-8 makes the block Latin-1, and it is written back so.
    DatHeader header =
        ReadDatHeader(write("clrmamepro (\n\tname \"Caf\xe9\"\n\tauthor \"\xc3\xa9\"\n)\n"), false).value_or(DatHeader());
    EXPECT_EQ(header.name, u"Café"_s);
    EXPECT_EQ(header.encoding, HeaderEncoding::Latin1);
    ASSERT_TRUE(WriteHeaderFile(path(u"h.tmp"_s), header));
    EXPECT_TRUE(readAll(path(u"h.tmp"_s)).contains("\tname \"Caf\xe9\"\r\n"));

    header.comment = u"€"_s;  // beyond Latin-1: the block falls back to UTF-8
    ASSERT_TRUE(WriteHeaderFile(path(u"h.tmp"_s), header));
    EXPECT_TRUE(readAll(path(u"h.tmp"_s)).contains("\tcomment \"\xe2\x82\xac\"\r\n"));
}

TEST_F(HeaderFiles, AppendingDropsEveryBlockAndEndsLinesWithCrLf)
{
    const std::pair<QByteArray, QByteArray> cases[] = {
        {"clrmamepro (\n\tname \"A\"\n)\ngame (\n)\n\tCLRMAMEPRO (\r\n\tname x\r\n\t)\nlast", "game (\r\n)\r\nlast\r\n"},
        {"a\rb\r\nc\nd\n\re", "a\r\nb\r\nc\r\nd\r\n\r\ne\r\n"},
        {"", ""},
        {"game\nclrmamepro (\n\tname \"cut\"\n", "game\r\n"},  // an unclosed block runs to the end
        {QByteArray("\x00\xff\x1a\xfe\r\n", 6), QByteArray("\x00\xff\x1a\xfe\r\n", 6)},
    };
    for (const auto& [dat, expected] : cases)
        EXPECT_EQ(appended(dat), expected) << dat.toStdString();
}

// Line ends of every kind at random places, across many read blocks, against a plain reference.
TEST_F(HeaderFiles, LongFilesMatchTheLineByLineReference)
{
    QRandomGenerator random(5);
    const QByteArrayList ends = {"\r\n", "\n", "\r"};
    QByteArray dat, expected;
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
    const DatHeader header = ReadDatHeader(hbmame, false).value_or(DatHeader());
    EXPECT_EQ(header.description, u"Full game rom set, non merged, game files only (no bioses), torrentzipped"_s);

    const QByteArray original = readAll(demo);
    EXPECT_EQ(appended(original), original.mid(original.indexOf("\r\n)\r\n") + 5));
}

// A small datafile in the layout most DATs use, with `lineEnd` between its lines.
QByteArray datafile(const QByteArray& lineEnd, const QByteArray& headerChildren)
{
    QByteArray text = "<?xml version=\"1.0\"?>\n<datafile>\n\t<header>\n" + headerChildren
        + "\t</header>\n\t<game name=\"pacman\">\n\t\t<rom name=\"a&amp;b.bin\" size=\"4\" crc=\"12345678\"/>\n"
          "\t</game>\n</datafile>\n";
    return text.replace("\n", lineEnd);
}

TEST_F(XmlHeader, ContentTellsXmlFromTextAndUnreadableHeadersAreRefused)
{
    EXPECT_TRUE(LooksLikeXml(write("\xEF\xBB\xBF  \r\n<?xml version=\"1.0\"?><datafile/>")));
    EXPECT_TRUE(LooksLikeXml(write("<mame build=\"0.78\"></mame>")));
    EXPECT_FALSE(LooksLikeXml(write("clrmamepro (\r\n\tname \"<x>\"\r\n)\r\n")));
    EXPECT_FALSE(LooksLikeXml(write("")));
    EXPECT_FALSE(LooksLikeXml(path(u"missing.dat"_s)));
    EXPECT_FALSE(ScanXmlHeader(write("<datafile><header><name>x</header>")).ok()) << "not well-formed";
    EXPECT_FALSE(ScanXmlHeader(write("<?xml version=\"1.0\" encoding=\"UTF-16\"?><datafile/>")).ok());
    const QString text = u"<datafile><header><name>x</name></header></datafile>"_s;
    const QByteArray utf16 = "\xFF\xFE" + QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    EXPECT_TRUE(LooksLikeXml(write(utf16)));
    EXPECT_EQ(ScanXmlHeader(write(utf16)).reason(), u"its encoding (UTF-16) is not supported"_s);
}

TEST_F(XmlHeader, ReadsTheSixValuesUnescapedAndTellsListsWithoutHeaderApart)
{
    const XmlHeaderLayout layout = scanned(write(datafile("\n",
        "\t\t<name>A &amp; B</name>\n\t\t<description><![CDATA[<new>]]></description>\n"
        "\t\t<version>0.78</version>\n\t\t<author/>\n\t\t<homepage>h</homepage>\n")));
    EXPECT_TRUE(layout.hasHeader);
    EXPECT_EQ(XmlHeaderValues(layout), (DatHeader{.name = u"A & B"_s, .description = u"<new>"_s, .version = u"0.78"_s}));

    const XmlHeaderLayout headless = scanned(write("<datafile>\n<game name=\"a\"/>\n</datafile>"));
    EXPECT_TRUE(headless.isDatafile());
    EXPECT_FALSE(headless.hasHeader);
}

TEST_F(XmlHeader, ChangedValuesAloneAreRewrittenAndTheRestKeepsItsBytes)
{
    for (const QByteArray& lineEnd : {QByteArray("\n"), QByteArray("\r\n")}) {
        const QByteArray before = "\xEF\xBB\xBF" + datafile(lineEnd,
            "\t\t<name>Old</name>\n\t\t<description>Same &#x41;</description>\n\t\t<version>1</version>\n"
            "\t\t<author>Someone</author>\n\t\t<homepage>h</homepage>\n\t\t<clrmamepro forcenodump=\"ignore\"/>\n");
        const DatHeader edited{.name = u"New <&> \"é\""_s, .description = u"Same A"_s, .version = u"2"_s,
                               .comment = u"c"_s};
        EXPECT_EQ(rewritten(before, edited), "\xEF\xBB\xBF" + datafile(lineEnd,
            "\t\t<name>New &lt;&amp;&gt; \"é\"</name>\n\t\t<description>Same &#x41;</description>\n"
            "\t\t<version>2</version>\n\t\t<author></author>\n"
            "\t\t<homepage>h</homepage>\n\t\t<comment>c</comment>\n\t\t<clrmamepro forcenodump=\"ignore\"/>\n"))
            << "line ends " << lineEnd.size();
        EXPECT_EQ(XmlHeaderValues(scanned(path(u"game.dat"_s))), edited);
    }
}

TEST_F(XmlHeader, MissingElementsGoWhereTheDtdPutsThem)
{
    const QByteArray before = datafile("\n", "\t\t<description>d</description>\n\t\t<author/>\n");
    EXPECT_EQ(rewritten(before, {.name = u"n"_s, .description = u"d"_s, .version = u"v"_s, .author = u"a"_s,
                                 .category = u"Fix"_s}),
              datafile("\n", "\t\t<name>n</name>\n\t\t<description>d</description>\n\t\t<category>Fix</category>\n"
                             "\t\t<version>v</version>\n\t\t<author>a</author>\n"));

    const QByteArray empty = "<datafile>\r\n\t<header/>\r\n\t<game name=\"a\"/>\r\n</datafile>\r\n";
    EXPECT_EQ(rewritten(empty, {.name = u"n"_s, .description = u"d"_s}),
              "<datafile>\r\n\t<header>\r\n\t\t<name>n</name>\r\n\t\t<description>d</description>\r\n\t</header>\r\n"
              "\t<game name=\"a\"/>\r\n</datafile>\r\n");
    EXPECT_EQ(rewritten(empty, {}), empty) << "nothing to add";
}

TEST_F(XmlHeader, ValuesAreEscapedForTheFilesEncoding)
{
    EXPECT_EQ(EscapeXmlText(u"a<b>&c\r\x01é€"_s, XmlTextEncoding::Utf8), "a&lt;b&gt;&amp;c&#13;é€");
    EXPECT_EQ(EscapeXmlText(u"é€"_s, XmlTextEncoding::Latin1), "\xE9&#8364;");
    EXPECT_EQ(EscapeXmlText(u"é€"_s, XmlTextEncoding::Ascii), "&#233;&#8364;");

    const QByteArray latin1 = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<datafile><header><name>Caf\xE9</name>"
                              "</header><game name=\"\xE9\"/></datafile>";
    EXPECT_EQ(XmlHeaderValues(scanned(write(latin1))).name, u"Café"_s);
    EXPECT_EQ(rewritten(latin1, {.name = u"Café €"_s}),
              "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<datafile><header><name>Caf\xE9 &#8364;</name>"
              "</header><game name=\"\xE9\"/></datafile>");
}

// Another program may rewrite the DAT while the user edits its header.
TEST_F(XmlHeader, AnEditGoesWhereTheHeaderIsNowOnlyOntoTheHeaderShownAndOnlyWhenItChangesSomething)
{
    const QString dat = write(datafile("\n", "\t\t<name>Old</name>\n"));
    const XmlHeaderLayout shown = scanned(dat);
    writeFile(dat, datafile("\r\n", "\t\t<name>Old</name>\r\n"));
    EXPECT_TRUE(RewriteXmlHeader(dat, shown, {.name = u"New"_s}));
    EXPECT_EQ(readAll(dat), datafile("\r\n", "\t\t<name>New</name>\r\n"));

    const QByteArray other = datafile("\n", "\t\t<name>Other</name>\n");
    writeFile(dat, other);
    EXPECT_EQ(RewriteXmlHeader(dat, shown, {.name = u"New"_s}).reason(), dat + u": the header changed while it was edited"_s);
    EXPECT_EQ(readAll(dat), other);

    const auto inode = [&dat] {
        struct stat status {};
        return ::stat(QFile::encodeName(dat).constData(), &status) == 0 ? status.st_ino : 0;
    };
    const auto before = inode();
    EXPECT_TRUE(RewriteXmlHeader(dat, scanned(dat), XmlHeaderValues(scanned(dat))));
    EXPECT_EQ(inode(), before) << "an unchanged header is not written again";
}

TEST_F(XmlHeader, FailedWriteLeavesTheDatAsItWas)
{
    const QByteArray before = datafile("\n", "\t\t<name>Old</name>\n") + QByteArray(64 * 1024, ' ');
    const QString dat = write(before);
    const XmlHeaderLayout layout = scanned(dat);
    const testing::ChildOutcome outcome = testing::RunUnderFileSizeLimit(before.size() - 10, [&] {
        return RewriteXmlHeader(dat, layout, {.name = u"New"_s});
    });
    EXPECT_TRUE(outcome.finished);
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(outcome.reason, dat + u": File too large"_s);
    EXPECT_EQ(readAll(dat), before);
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{u"game.dat"_s})
        << "no temporary file is left";
}

// The rewrites report progress to their caller, who alone decides whether window events run
// meanwhile, and stop when asked, leaving the DAT as it was.
TEST_F(HeaderLogic, RewritesReportProgressStopWhenAskedAndNeverRunEventsThemselves)
{
    QByteArray text = "clrmamepro (\n\tname \"Old\"\n)\n";
    for (int game = 0; game < 30000; ++game)
        text += "game ( name g" + QByteArray::number(game) + " )\n";
    const QByteArray xml = datafile("\n", "\t\t<name>Old</name>\n") + QByteArray(3 << 20, ' ');
    const QString header = path(u"header.tmp"_s);
    ASSERT_TRUE(WriteHeaderFile(header, {.name = u"New"_s}));
    const QString textDat = write(text, u"text.dat"_s);
    const QString xmlDat = write(xml, u"xml.dat"_s);
    const XmlHeaderLayout layout = scanned(xmlDat);

    const std::vector<std::pair<QString, std::function<Outcome(const WorkControl&)>>> rewrites{
        {textDat, [&](const WorkControl& control) { return ReplaceDatHeader(textDat, header, control); }},
        {xmlDat, [&](const WorkControl& control) { return RewriteXmlHeader(xmlDat, layout, {.name = u"New"_s}, control); }},
    };
    for (const auto& [dat, rewrite] : rewrites) {
        SCOPED_TRACE(dat.toStdString());
        const QByteArray before = readAll(dat);
        bool eventRan = false;
        QMetaObject::invokeMethod(QCoreApplication::instance(), [&eventRan] { eventRan = true; }, Qt::QueuedConnection);
        std::atomic_bool stop = false;
        int reports = 0;
        const Outcome stopped = rewrite({.progress = [&] { stop = ++reports == 2; }, .stop = &stop});
        EXPECT_FALSE(eventRan) << "no events are run inside the rewrite";
        EXPECT_EQ(reports, 2);
        EXPECT_EQ(stopped.reason(), dat + u": stopped before the end"_s);
        EXPECT_EQ(readAll(dat), before);

        reports = 0;
        EXPECT_TRUE(rewrite({.progress = [&reports] { ++reports; }}));
        EXPECT_GE(reports, 3);
        EXPECT_NE(readAll(dat), before);
        QCoreApplication::processEvents();
        EXPECT_TRUE(eventRan);
    }
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden),
              (QStringList{u"header.tmp"_s, u"text.dat"_s, u"xml.dat"_s}))
        << "no temporary file is left";
}

}  // namespace
}  // namespace quillon
