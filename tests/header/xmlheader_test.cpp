#include "datinformation.h"
#include "filesizelimit.h"
#include "scripteddatdialogs.h"
#include "scriptedprompter.h"
#include "testfiles.h"
#include "xmlheader.h"
#include "ziparchive.h"

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

using namespace quillon;
using namespace quillon::testing;

namespace {

const QString fbneoDat = QStringLiteral(SHARED_DATS_DIR "/fbneo_0.2.97.44_neogeo.dat");

// A small datafile in the layout most DATs use, with `lineEnd` between its lines.
QByteArray datafile(const QByteArray& lineEnd, const QByteArray& headerChildren)
{
    QByteArray text = "<?xml version=\"1.0\"?>\n<datafile>\n\t<header>\n" + headerChildren
        + "\t</header>\n\t<game name=\"pacman\">\n\t\t<rom name=\"a&amp;b.bin\" size=\"4\" crc=\"12345678\"/>\n"
          "\t</game>\n</datafile>\n";
    text.replace("\n", lineEnd);
    return text;
}

// Whether a streaming XML reader other than the one Quillon uses reads the file to its end.
bool wellFormed(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QXmlStreamReader reader(&file);
    while (!reader.atEnd())
        reader.readNext();
    return !reader.hasError();
}

class XmlHeader : public ::testing::Test {
protected:
    QString write(const QByteArray& content, const QString& name = "game.dat")
    {
        writeFile(folder.filePath(name), content);
        return folder.filePath(name);
    }

    XmlHeaderLayout scanned(const QString& path)
    {
        XmlHeaderLayout layout;
        const Outcome outcome = ScanXmlHeader(path, layout);
        EXPECT_TRUE(outcome.ok()) << outcome.reason().toStdString();
        return layout;
    }

    // The file after its header has been rewritten with `edited`.
    QByteArray rewritten(const QByteArray& content, const DatHeader& edited)
    {
        const QString path = write(content);
        const Outcome outcome = RewriteXmlHeader(path, scanned(path), edited);
        EXPECT_TRUE(outcome.ok()) << outcome.reason().toStdString();
        return readAll(path);
    }

    // Runs the diff tool on the two DATs; true when it read both.
    bool readBySetdelta(const QString& oldDat, const QString& newDat)
    {
        QProcess tool;
        tool.setWorkingDirectory(folder.path());
        tool.start(SETDELTA_PATH, {oldDat, newDat});
        return tool.waitForFinished(60000) && tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0;
    }

    QTemporaryDir folder;
};

}  // namespace

TEST_F(XmlHeader, ContentTellsXmlFromText)
{
    EXPECT_TRUE(LooksLikeXml(write("\xEF\xBB\xBF  \r\n<?xml version=\"1.0\"?><datafile/>")));
    EXPECT_TRUE(LooksLikeXml(write("<mame build=\"0.78\"></mame>")));
    EXPECT_FALSE(LooksLikeXml(write("clrmamepro (\r\n\tname \"<x>\"\r\n)\r\n")));
    EXPECT_FALSE(LooksLikeXml(write("")));
    EXPECT_FALSE(LooksLikeXml(folder.filePath("missing.dat")));
}

TEST_F(XmlHeader, ReadsTheSixValuesUnescaped)
{
    const XmlHeaderLayout layout = scanned(write(datafile("\n",
        "\t\t<name>A &amp; B</name>\n\t\t<description><![CDATA[<new>]]></description>\n"
        "\t\t<version>0.78</version>\n\t\t<author/>\n\t\t<homepage>h</homepage>\n")));
    EXPECT_TRUE(layout.isDatafile());
    EXPECT_TRUE(layout.hasHeader);
    const DatHeader values = XmlHeaderValues(layout);
    EXPECT_EQ(values, (DatHeader{.name = "A & B", .description = "<new>", .version = "0.78"}));
}

TEST_F(XmlHeader, ListsWithoutHeaderAreToldApart)
{
    EXPECT_FALSE(scanned(write("<?xml version=\"1.0\"?>\n<mame build=\"0.2\"><machine name=\"a\"/></mame>")).isDatafile());
    const XmlHeaderLayout headless = scanned(write("<datafile>\n<game name=\"a\"/>\n</datafile>"));
    EXPECT_TRUE(headless.isDatafile());
    EXPECT_FALSE(headless.hasHeader);

    const QString realList = QStringLiteral(SHARED_DATS_DIR "/mame_0.78_listxml.zip");
    if (QFileInfo::exists(realList)) {
        ASSERT_TRUE(ExtractZipEntry(realList, "mame_0.78.xml", folder.filePath("mame.dat")));
        EXPECT_EQ(scanned(folder.filePath("mame.dat")).root, "mame");
    }

    XmlHeaderLayout layout;
    EXPECT_FALSE(ScanXmlHeader(write("<datafile><header><name>x</header>"), layout).ok()) << "not well-formed";
    const Outcome utf16 = ScanXmlHeader(write("<?xml version=\"1.0\" encoding=\"UTF-16\"?><datafile/>"), layout);
    EXPECT_FALSE(utf16.ok());
    const QString text = "<datafile><header><name>x</name></header></datafile>";
    const QByteArray utf16Bom = "\xFF\xFE" + QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    EXPECT_TRUE(LooksLikeXml(write(utf16Bom)));
    EXPECT_EQ(ScanXmlHeader(write(utf16Bom), layout).reason(), "its encoding (UTF-16) is not supported");
}

TEST_F(XmlHeader, ChangedValuesAloneAreRewrittenAndTheRestKeepsItsBytes)
{
    for (const QByteArray& lineEnd : {QByteArray("\n"), QByteArray("\r\n")}) {
        const QByteArray children = "\t\t<name>Old</name>\n\t\t<description>Same &#x41;</description>\n"
                                    "\t\t<version>1</version>\n\t\t<author>Someone</author>\n"
                                    "\t\t<homepage>h</homepage>\n\t\t<clrmamepro forcenodump=\"ignore\"/>\n";
        const QByteArray before = datafile(lineEnd, children);
        const DatHeader edited{.name = "New <&> \"é\"", .description = "Same A", .version = "2", .author = "",
                               .category = "", .comment = "c"};
        QByteArray expected = datafile(lineEnd,
            "\t\t<name>New &lt;&amp;&gt; \"é\"</name>\n\t\t<description>Same &#x41;</description>\n"
            "\t\t<version>2</version>\n\t\t<author></author>\n"
            "\t\t<homepage>h</homepage>\n\t\t<comment>c</comment>\n\t\t<clrmamepro forcenodump=\"ignore\"/>\n");
        EXPECT_EQ(rewritten(before, edited), expected) << "line ends " << lineEnd.size();
        EXPECT_EQ(XmlHeaderValues(scanned(folder.filePath("game.dat"))), edited);
    }
}

TEST_F(XmlHeader, MissingElementsGoWhereTheDtdPutsThem)
{
    const QByteArray before = datafile("\n", "\t\t<description>d</description>\n\t\t<author/>\n");
    const QByteArray after = rewritten(before, {.name = "n", .description = "d", .version = "v", .author = "a",
                                                .category = "Fix", .comment = ""});
    EXPECT_EQ(after, datafile("\n", "\t\t<name>n</name>\n\t\t<description>d</description>\n\t\t<category>Fix</category>\n"
                                    "\t\t<version>v</version>\n\t\t<author>a</author>\n"));
}

TEST_F(XmlHeader, EmptyHeaderIsFilledWithTheValuesGiven)
{
    const QByteArray before = "<datafile>\r\n\t<header/>\r\n\t<game name=\"a\"/>\r\n</datafile>\r\n";
    EXPECT_EQ(rewritten(before, {.name = "n", .description = "d"}),
              "<datafile>\r\n\t<header>\r\n\t\t<name>n</name>\r\n\t\t<description>d</description>\r\n\t</header>\r\n"
              "\t<game name=\"a\"/>\r\n</datafile>\r\n");
    EXPECT_EQ(rewritten(before, {}), before) << "nothing to add";
}

TEST_F(XmlHeader, ValuesAreEscapedForTheFilesEncoding)
{
    EXPECT_EQ(EscapeXmlText("a<b>&c\r\x01" "é€", XmlTextEncoding::Utf8), "a&lt;b&gt;&amp;c&#13;é€");
    EXPECT_EQ(EscapeXmlText("é€", XmlTextEncoding::Latin1), "\xE9&#8364;");
    EXPECT_EQ(EscapeXmlText("é€", XmlTextEncoding::Ascii), "&#233;&#8364;");

    const QByteArray latin1 = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<datafile><header><name>Caf\xE9</name>"
                              "</header><game name=\"\xE9\"/></datafile>";
    const QString path = write(latin1);
    EXPECT_EQ(XmlHeaderValues(scanned(path)).name, "Café");
    EXPECT_EQ(rewritten(latin1, {.name = "Café €"}),
              "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<datafile><header><name>Caf\xE9 &#8364;</name>"
              "</header><game name=\"\xE9\"/></datafile>");
    EXPECT_TRUE(wellFormed(path));
}

TEST_F(XmlHeader, RealDatsKeepTheirBodiesAndStayReadable)
{
    // LF and no final line end; CR LF; an encoding declared and no final line end.
    const QList<std::pair<QString, QString>> sources{
        {"fbneo_0.2.97.44_neogeo.dat", ""},
        {"mame_0.37b5_listinfo.zip", "mame_0.37b5.xml"},
        {"mame_0.78_chds_merged.zip", "MAME 0.78 CHDs (merged).xml"},
    };
    for (const auto& [file, entry] : sources) {
        const QString source = QStringLiteral(SHARED_DATS_DIR "/") + file;
        if (!QFileInfo::exists(source))
            GTEST_SKIP() << SHARED_DATS_DIR " is missing";
        const QString original = folder.filePath("original.dat");
        if (entry.isEmpty())
            ASSERT_TRUE(QFile::copy(source, original));
        else
            ASSERT_TRUE(ExtractZipEntry(source, entry, original));
        const QByteArray before = readAll(original);
        const QString dat = write(before);
        const XmlHeaderLayout layout = scanned(dat);
        DatHeader edited = XmlHeaderValues(layout);
        EXPECT_FALSE(edited.name.isEmpty()) << file.toStdString();
        edited.name = "Edited & renamed";
        edited.comment = "";
        ASSERT_TRUE(RewriteXmlHeader(dat, layout, edited).ok()) << file.toStdString();

        const QByteArray after = readAll(dat);
        EXPECT_EQ(after.left(layout.headerStart), before.left(layout.headerStart)) << file.toStdString();
        EXPECT_TRUE(after.endsWith(before.mid(layout.headerEnd))) << "the body is byte for byte the same";
        EXPECT_TRUE(after.contains(QByteArray("<name>Edited &amp; renamed</name>" + layout.lineEnd))) << file.toStdString();
        EXPECT_EQ(after.contains("<comment></comment>"), before.contains("<comment>")) << file.toStdString();
        EXPECT_TRUE(wellFormed(dat)) << file.toStdString();
        EXPECT_TRUE(readBySetdelta(original, dat)) << file.toStdString();
        QFile::remove(original);
    }
}

TEST_F(XmlHeader, LinkPermissionsAndByteOrderMarkAreKept)
{
    const QByteArray before = "\xEF\xBB\xBF" + datafile("\n", "\t\t<name>Old</name>\n");
    const QString target = write(before, "target.dat");
    QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
    const QString link = folder.filePath("game.dat");
    ASSERT_TRUE(QFile::link(target, link));
    ASSERT_TRUE(RewriteXmlHeader(link, scanned(link), {.name = "New"}).ok());

    EXPECT_TRUE(QFileInfo(link).isSymLink());
    QByteArray expected = before;
    EXPECT_EQ(readAll(target), expected.replace("Old", "New"));
    EXPECT_EQ(QFile::permissions(target), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadUser
                                               | QFile::WriteUser);
}

TEST_F(XmlHeader, FailedWriteLeavesTheDatAsItWas)
{
    const QByteArray before = datafile("\n", "\t\t<name>Old</name>\n") + QByteArray(64 * 1024, ' ');
    const QString dat = write(before);
    const XmlHeaderLayout layout = scanned(dat);
    const ChildOutcome outcome = RunUnderFileSizeLimit(before.size() - 10, [&] {
        return RewriteXmlHeader(dat, layout, {.name = "New"});
    });
    EXPECT_TRUE(outcome.finished);
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(outcome.reason, dat + ": File too large");
    EXPECT_EQ(readAll(dat), before);
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList{"game.dat"}) << "no temporary file is left";
}

// The Info command on XML DATs, plain and zipped, with the header editor scripted.
class XmlDatInformation : public XmlHeader {
protected:
    void show(const QString& path) { ShowDatInformation(path, dialogs, prompter, nullptr); }

    ScriptedDatDialogs dialogs;
    ScriptedPrompter prompter;
};

TEST_F(XmlDatInformation, PlainDatHasItsHeaderElementEdited)
{
    const QByteArray before = datafile("\r\n", "\t\t<name>Old</name>\r\n\t\t<description>D</description>\r\n");
    const QString dat = write(before);
    dialogs.saveNext(DatHeader{.name = "New", .description = "D"});
    show(dat);
    EXPECT_TRUE(readBySetdelta(dat, dat));

    ASSERT_EQ(dialogs.headersShown().size(), 1u);
    EXPECT_EQ(dialogs.headersShown().front(), (DatHeader{.name = "Old", .description = "D"}));
    QByteArray expected = before;
    expected.replace("<name>Old</name>", "<name>New</name>");
    EXPECT_EQ(readAll(dat), expected);
    EXPECT_TRUE(prompter.messages().isEmpty());
    EXPECT_TRUE(dialogs.headerRequests().isEmpty()) << "no ClrMamePro block is written in front of the XML";
}

TEST_F(XmlDatInformation, ZippedDatIsRewrittenUnderItsEntryName)
{
    const QByteArray before = datafile("\n", "\t\t<name>Old</name>\n");
    const QString zipFile = folder.filePath("set.zip");
    ASSERT_TRUE(AddToZip(zipFile, write(before, "source.dat"), "sub/game.dat", true));
    dialogs.pickNext("sub/game.dat");
    dialogs.saveNext(DatHeader{.name = "New"});
    show(zipFile);

    const QString extracted = folder.filePath("check.dat");
    ASSERT_TRUE(ExtractZipEntry(zipFile, "sub/game.dat", extracted));
    QByteArray expected = before;
    expected.replace("<name>Old</name>", "<name>New</name>");
    EXPECT_EQ(readAll(extracted), expected);
    EXPECT_TRUE(readBySetdelta(extracted, extracted));
    EXPECT_EQ(ListZip(zipFile)->size(), 1);
    for (const QString& file : dialogs.madeFiles())
        EXPECT_FALSE(QFileInfo::exists(file)) << file.toStdString();
}

TEST_F(XmlDatInformation, MameListHasNoHeaderToEdit)
{
    const QByteArray list = "<?xml version=\"1.0\"?>\n<mame build=\"0.2\">\n<machine name=\"a\"/>\n</mame>\n";
    const QString dat = write(list, "mame.dat");
    dialogs.saveNext(DatHeader{.name = "New"});
    show(dat);

    EXPECT_TRUE(dialogs.headersShown().empty()) << "the editor is not shown";
    EXPECT_EQ(prompter.texts(), QStringList{dat + " has no header to edit."});
    EXPECT_EQ(readAll(dat), list);
}

TEST_F(XmlDatInformation, CancelledEditorLeavesTheDatAlone)
{
    const QByteArray before = datafile("\n", "\t\t<name>Old</name>\n");
    const QString dat = write(before);
    dialogs.saveNext(std::nullopt);
    show(dat);
    EXPECT_EQ(readAll(dat), before);
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList{"game.dat"});
}
