#include "datinformation.h"
#include "frmcmpheader.h"
#include "mru.h"
#include "privatefolder.h"
#include "scripteddatdialogs.h"
#include "scriptedprompter.h"
#include "tempstore.h"
#include "testfiles.h"
#include "windowtesting.h"
#include "xmlheader.h"
#include "ziparchive.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <optional>

#include <unistd.h>

using namespace quillon;
using namespace quillon::testing;
using namespace Qt::Literals::StringLiterals;

namespace {

QComboBox& combo(const QWidget& editor, const char* name)
{
    return child<QComboBox>(editor, QLatin1StringView(name));
}

// Each test gets a temporary folder of its own, so it can see every header file it leaves.
class HeaderEditor : public ::testing::Test {
protected:
    HeaderEditor() : oldTemp_(qgetenv("XDG_RUNTIME_DIR")) { qputenv("XDG_RUNTIME_DIR", temp_.path().toLocal8Bit()); }
    ~HeaderEditor() override { qputenv("XDG_RUNTIME_DIR", oldTemp_); }

    QStringList tempFiles() const { return QDir(GetTempFolder()).entryList(QDir::Files | QDir::Hidden); }
    QStringList recent(QLatin1StringView list) { return LoadMRU(settings_.store(), list); }

    // Runs `act` on the editor once it shows, and returns what GetCMPHeaderFile returned.
    template <class Act>
    QString runEditor(Act act, const QByteArray& dat = QByteArray())
    {
        const QString path = dats_.filePath(u"in.dat"_s);
        writeFile(path, dat);
        const ModalScript script = onModal<frmCMPHeader>(act);
        return frmCMPHeader::GetCMPHeaderFile(settings_.store(), prompter_, nullptr, dat.isEmpty() ? QString() : path);
    }

    ScriptedPrompter prompter_;
    TempStore settings_;

private:
    QTemporaryDir temp_;
    QTemporaryDir dats_;
    QByteArray oldTemp_;
};

const QByteArray TextDat = "clrmamepro (\r\n\tname \"OLD\"\r\n\tversion 1\r\n)\r\n\r\ngame (\r\n\tname pacman\r\n)\r\n";
const QByteArray XmlDat = "<?xml version=\"1.0\"?>\r\n<datafile>\r\n\t<header>\r\n\t\t<name>OLD</name>\r\n\t</header>\r\n"
                          "\t<game name=\"pacman\"/>\r\n</datafile>\r\n";

// The Info command, with the zip chooser and the header editor scripted.
class DatInformation : public ::testing::Test {
protected:
    QString write(const QByteArray& content, const QString& name = u"game.dat"_s)
    {
        writeFile(folder.filePath(name), content);
        return folder.filePath(name);
    }

    void show(const QString& path, const std::optional<DatHeader>& saved)
    {
        dialogs.saveNext(saved);
        ShowDatInformation(path, dialogs, prompter, nullptr);
        for (const QString& file : dialogs.madeFiles())
            EXPECT_FALSE(QFileInfo::exists(file)) << file.toStdString();
    }

    QTemporaryDir folder;
    QString zipFile = folder.filePath(u"set.zip"_s);
    ScriptedDatDialogs dialogs;
    ScriptedPrompter prompter;
    const DatHeader newHeader{.name = u"NEW"_s, .description = u"New one"_s};
};

}  // namespace

TEST_F(HeaderEditor, SavesTheBoxesAsAHeaderFileAndRemembersThem)
{
    AddToMRU(settings_.store(), mru::HeaderAuthor, u"Keeper"_s);
    const QString file = runEditor([](frmCMPHeader& editor) {
        EXPECT_EQ(combo(editor, "cboHeaderCat").currentText(), u"Standard DatFile"_s);
        combo(editor, "cboHeaderName").setEditText(u"X"_s);
        EXPECT_FALSE(child(editor, u"cmdSave"_s).isEnabled()) << "a description is needed too";
        combo(editor, "cboHeaderDesc").setEditText(u"Y"_s);
        child<QLineEdit>(editor, u"txtHeaderComment"_s).setText(u"c"_s);
        combo(editor, "cboHeaderCat").setCurrentIndex(1);
        click(editor, u"cmdSave"_s);
    });
    EXPECT_EQ(tempFiles(), QStringList{QFileInfo(file).fileName()});
    EXPECT_EQ(readAll(file), "clrmamepro (\r\n\tname \"X\"\r\n\tdescription \"Y\"\r\n\tcategory \"FIXDATFILE\"\r\n"
                             "\tversion \"\"\r\n\tauthor \"\"\r\n\tcomment \"c\"\r\n)\r\n");
    EXPECT_EQ(recent(mru::HeaderName).value(0), u"X"_s);
    EXPECT_EQ(recent(mru::HeaderAuthor), QStringList{u"Keeper"_s}) << "an empty author is not listed";
}

TEST_F(HeaderEditor, SaysWhichRequiredValueKeepsSaveDisabled)
{
    runEditor([](frmCMPHeader& editor) {
        const auto hint = [&editor] { return child<QLabel>(editor, u"lblSaveHint"_s).text(); };
        EXPECT_EQ(hint(), u"Save needs a name and a description."_s);
        combo(editor, "cboHeaderName").setEditText(u"X"_s);
        EXPECT_EQ(hint(), u"Save needs a description."_s);
        combo(editor, "cboHeaderDesc").setEditText(u"Y"_s);
        EXPECT_EQ(hint(), u""_s);
        EXPECT_TRUE(child(editor, u"cmdSave"_s).isEnabled());
        combo(editor, "cboHeaderName").clearEditText();
        EXPECT_EQ(hint(), u"Save needs a name."_s);
        EXPECT_FALSE(child(editor, u"cmdSave"_s).isEnabled());
        click(editor, u"cmdCancel"_s);
    });
}

TEST_F(HeaderEditor, ValuesLeftEmptyKeepTheOthersReadableForSetdelta)
{
    const QString file = runEditor([](frmCMPHeader& editor) {
        combo(editor, "cboHeaderName").setEditText(u"X"_s);
        combo(editor, "cboHeaderDesc").setEditText(u"Y"_s);
        combo(editor, "cboHeaderCat").setEditText(QString());
        child<QLineEdit>(editor, u"txtHeaderVersion"_s).setText(u"0.2"_s);
        click(editor, u"cmdSave"_s);
    });
    const QString dat = QDir(QDir::tempPath()).filePath(u"with-header.dat"_s);
    writeFile(dat, readAll(file) + "\r\ngame (\r\n\tname x\r\n\trom ( name a size 1 crc 00000001 )\r\n)\r\n");
    QProcess setdelta;
    setdelta.setWorkingDirectory(QDir::tempPath());
    setdelta.start(QStringLiteral(SETDELTA_PATH), {u"--json"_s, u"report.json"_s, dat, dat});
    ASSERT_TRUE(setdelta.waitForFinished(60000));
    const QByteArray report = readAll(QDir(QDir::tempPath()).filePath(u"report.json"_s));
    EXPECT_TRUE(report.contains(R"("name":"X","version":"0.2")")) << report.left(300).toStdString();
}

TEST_F(HeaderEditor, FillsFromTheDatWithItsCategoryOrEmptiesEveryBox)
{
    const std::pair<QByteArray, QString> dats[] = {
        {"clrmamepro (\r\n\tname \"N\"\r\n\tcategory \"FIXDATFILE\"\r\n)\r\n", u"FIXDATFILE"_s},
        {"game (\r\n)\r\n", u""_s},  // no header: every box is emptied, the category too
    };
    for (const auto& [dat, category] : dats) {
        runEditor(
            [&category](frmCMPHeader& editor) {
                EXPECT_EQ(combo(editor, "cboHeaderCat").currentText(), category);
                click(editor, u"cmdCancel"_s);
            },
            dat);
    }
}

TEST_F(HeaderEditor, CancelAndTheCloseBoxReturnNothingAndLeaveNoFile)
{
    for (const bool closeBox : {false, true}) {
        EXPECT_EQ(runEditor([closeBox](frmCMPHeader& editor) {
                      combo(editor, "cboHeaderName").setEditText(u"X"_s);
                      combo(editor, "cboHeaderDesc").setEditText(u"Y"_s);
                      closeBox ? void(editor.close()) : click(editor, u"cmdCancel"_s);
                  }),
                  u""_s);
    }
    EXPECT_TRUE(tempFiles().isEmpty());
    EXPECT_EQ(recent(mru::HeaderName), QStringList{u""_s});
}

TEST_F(HeaderEditor, EditingARecordGivesTheSavedValuesAndNoFile)
{
    DatHeader header{.name = u"N"_s, .description = u"D"_s, .category = u"Standard DatFile"_s};
    for (const bool save : {true, false}) {
        const ModalScript script = onModal<frmCMPHeader>([save](frmCMPHeader& editor) {
            combo(editor, "cboHeaderName").setEditText(combo(editor, "cboHeaderName").currentText() + u" & <odd>"_s);
            click(editor, save ? u"cmdSave"_s : u"cmdCancel"_s);
        });
        EXPECT_EQ(frmCMPHeader::EditHeader(settings_.store(), prompter_, nullptr, header), save);
    }
    EXPECT_EQ(header, (DatHeader{.name = u"N & <odd>"_s, .description = u"D"_s, .category = u"Standard DatFile"_s}));
    EXPECT_TRUE(tempFiles().isEmpty());
}

TEST_F(HeaderEditor, AnUnwritableTemporaryFolderIsReportedAndGivesNoHeaderFile)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root writes into read-only folders";
    ASSERT_TRUE(PreparePrivateFolder());
    const QString folder = PrivateFolderPath();
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
    const QString file = runEditor([](frmCMPHeader& editor) {
        combo(editor, "cboHeaderName").setEditText(u"X"_s);
        combo(editor, "cboHeaderDesc").setEditText(u"Y"_s);
        click(editor, u"cmdSave"_s);
        EXPECT_TRUE(editor.isVisible()) << "the user may try again or cancel";
        click(editor, u"cmdCancel"_s);
    });
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_EQ(file, u""_s);
    EXPECT_TRUE(tempFiles().isEmpty());
    EXPECT_TRUE(prompter_.texts().value(0).startsWith(u"The header could not be saved.\n\n"_s));
    EXPECT_EQ(prompter_.messages().value(0).icon, PromptIcon::Critical);
}

TEST_F(DatInformation, SavedHeaderReplacesTheOldOneInPlainAndZippedDats)
{
    const QString dat = write(TextDat);
    show(dat, std::nullopt);
    EXPECT_EQ(readAll(dat), TextDat) << "a cancelled editor changes nothing";
    show(dat, newHeader);
    EXPECT_EQ(dialogs.headerRequests(), (QStringList{dat, dat})) << "the editor is filled from the DAT";
    EXPECT_EQ(readAll(dat), "clrmamepro (\r\n\tname \"NEW\"\r\n\tdescription \"New one\"\r\n\tcategory \"\"\r\n"
                            "\tversion \"\"\r\n\tauthor \"\"\r\n\tcomment \"\"\r\n)\r\n\r\ngame (\r\n\tname pacman\r\n)\r\n");

    for (const QByteArray& content : {TextDat, XmlDat}) {
        ASSERT_TRUE(AddToZip(zipFile, write(content, u"source.dat"_s), u"sub/game.dat"_s, true));
        dialogs.pickNext(u"sub/game.dat"_s);
        show(zipFile, newHeader);
        EXPECT_EQ(dialogs.selectTitles().back(), u"Select the DatFile to open..."_s);
        EXPECT_EQ(ListZip(zipFile)->size(), 1) << "the old entry is replaced";
        ASSERT_TRUE(ExtractZipEntry(zipFile, u"sub/game.dat"_s, dat));
        EXPECT_TRUE(readAll(dat).contains("NEW") && !readAll(dat).contains("OLD"));
    }
    EXPECT_EQ(dialogs.headerRequests().size(), 3) << "no ClrMamePro block is written in front of the XML";
    EXPECT_TRUE(prompter.messages().isEmpty());
}

TEST_F(DatInformation, FailedRewriteIsReportedWithItsReason)
{
    // A folder named like a DAT cannot be read, whoever runs the test.
    const QString dat = folder.filePath(u"folder.dat"_s);
    QDir(folder.path()).mkdir(u"folder.dat"_s);
    show(dat, newHeader);
    EXPECT_EQ(prompter.texts(), QStringList{u"The header of %1 could not be rewritten; it was left as it was.\n\n"
                                            "%1: file to open is a directory"_s.arg(dat)});
    EXPECT_EQ(prompter.messages().value(0).icon, PromptIcon::Critical);
}

// Real XML DATs: LF and no final line end; CR LF; an encoding declared and no final line end.
TEST_F(DatInformation, RealXmlDatsKeepTheirBodiesAndStayReadable)
{
    const std::pair<const char*, QString> sources[] = {
        {SHARED_DATS_DIR "/fbneo_0.2.97.44_neogeo.dat", QString()},
        {SHARED_DATS_DIR "/mame_0.37b5_listinfo.zip", u"mame_0.37b5.xml"_s},
        {SHARED_DATS_DIR "/mame_0.78_chds_merged.zip", u"MAME 0.78 CHDs (merged).xml"_s},
        {SHARED_DATS_DIR "/mame_0.78_listxml.zip", u"mame_0.78.xml"_s},  // a MAME list: no header to edit
    };
    for (const auto& [file, entry] : sources) {
        const QString source = QString::fromLatin1(file);
        if (!QFileInfo::exists(source))
            GTEST_SKIP() << SHARED_DATS_DIR " is missing";
        SCOPED_TRACE(file);
        const QString original = folder.filePath(u"original.dat"_s);
        QFile::remove(original);
        ASSERT_TRUE(entry.isEmpty() ? QFile::copy(source, original) : ExtractZipEntry(source, entry, original).ok());
        const QByteArray before = readAll(original);
        const QString dat = write(before);
        const Result<XmlHeaderLayout> scanned = ScanXmlHeader(dat);
        ASSERT_TRUE(scanned.ok());
        const XmlHeaderLayout& layout = *scanned;
        DatHeader edited = XmlHeaderValues(layout);
        edited.name = u"Edited & renamed"_s;
        show(dat, edited);
        if (!layout.hasHeader) {
            EXPECT_EQ(prompter.texts(), QStringList{dat + u" has no header to edit."_s});
            EXPECT_EQ(readAll(dat), before);
            continue;
        }
        const QByteArray after = readAll(dat);
        EXPECT_EQ(after.left(layout.headerStart), before.left(layout.headerStart));
        EXPECT_TRUE(after.endsWith(before.mid(layout.headerEnd))) << "the body is byte for byte the same";
        EXPECT_TRUE(after.contains(QByteArray("<name>Edited &amp; renamed</name>" + layout.lineEnd)));
        QProcess setdelta;  // the diff tool still reads the DAT
        setdelta.setWorkingDirectory(folder.path());
        setdelta.start(QStringLiteral(SETDELTA_PATH), {dat, dat});
        EXPECT_TRUE(setdelta.waitForFinished(60000) && setdelta.exitStatus() == QProcess::NormalExit
                    && setdelta.exitCode() == 0);
    }
    EXPECT_EQ(dialogs.headersShown().size(), std::size(sources) - 1);
}
