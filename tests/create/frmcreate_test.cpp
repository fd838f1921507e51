#include "frmcreate.h"
#include "mru.h"
#include "scriptedprompter.h"
#include "tempstore.h"
#include "testfiles.h"
#include "windowtesting.h"
#include "ziparchive.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

using namespace quillon;
using namespace quillon::testing;
using namespace Qt::Literals::StringLiterals;

namespace {

const QByteArray HangingMame = "printf 'partial'\nexec sleep 600\n";

class CreateWindow : public ::testing::Test {
protected:
    template <class Widget = QWidget>
    Widget& find(const char* name)
    {
        return child<Widget>(window, QLatin1StringView(name));
    }
    void press(const char* name) { click(window, QLatin1StringView(name)); }

    // A stand-in for MAME, given the body of its shell script, chosen in the file dialog, with
    // the destination typed in.
    void chooseMame(const QByteArray& body = "printf 'listed with %s' \"$@\"\n")
    {
        const QString mame = folder.filePath(u"mame"_s);
        writeFile(mame, "#!/bin/sh\n" + body, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        prompter.chooseNext(mame);
        press("cpvButton1");
        find<QComboBox>("cboSaveTo").setEditText(destination);
    }

    // Types `text` over the field's text, key by key, as a user does.
    void type(const char* name, const QString& text)
    {
        auto& field = find<QLineEdit>(name);
        field.selectAll();
        for (const QChar character : text) {
            QKeyEvent key(QEvent::KeyPress, 0, Qt::NoModifier, QString(character));
            QApplication::sendEvent(&field, &key);
        }
        ASSERT_EQ(field.text(), text);
    }

    QStringList files() const { return QDir(folder.path()).entryList(QDir::Files | QDir::Hidden); }

    QTemporaryDir folder;
    QString destination = folder.filePath(u"mame.dat"_s);
    TempStore temp;
    ScriptedPrompter prompter;
    frmCreate window{temp.store(), prompter};
};

}  // namespace

TEST_F(CreateWindow, RunsTheExecutableWithTheChosenListSwitchAndZipsOnRequest)
{
    chooseMame();
    EXPECT_EQ(find<QLineEdit>("txtExe").text(), u"mame"_s) << "the name without its folder";
    press("cmdCreatDat");
    EXPECT_EQ(readAll(destination), "listed with -listinfo");
    EXPECT_EQ(find<QLabel>("lblReceivedBytes").text(), u"21"_s) << "the size received confirms the success";
    EXPECT_EQ(LoadMRU(temp.store(), mru::SaveTo), QStringList{destination});

    find<QAbstractButton>("cmdZipDat").setChecked(true);
    press("cmdCreatDat");
    EXPECT_EQ(files(), (QStringList{u"mame"_s, u"mame.zip"_s})) << "only the archive is left";
    ASSERT_TRUE(ExtractZipEntry(folder.filePath(u"mame.zip"_s), u"mame.dat"_s, destination));
    EXPECT_EQ(readAll(destination), "listed with -listinfo");
}

TEST_F(CreateWindow, FailureKeepsTheWindowReadyForAnotherSwitch)
{
    window.show();
    // Current MAME: an XML list, and no text list any more.
    chooseMame("if [ \"$1\" = -listxml ]; then printf '<mame build=\"0.2\">\\n</mame>\\n'; exit 0; fi\n"
               "echo \"unknown option: $1\" >&2; exit 1\n");
    press("cmdCreatDat");
    ASSERT_EQ(prompter.messages().size(), 1);
    EXPECT_TRUE(prompter.texts().first().endsWith(u"The program's last output:\nunknown option: -listinfo"_s));
    EXPECT_FALSE(QFileInfo::exists(destination));
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(find("cmdCreatDat").isEnabled());

    find<QComboBox>("cboEmulator").setCurrentIndex(1);
    press("cmdCreatDat");
    EXPECT_EQ(readAll(destination), "<mame build=\"0.2\">\n</mame>\n");
    EXPECT_EQ(prompter.messages().size(), 1);
}

TEST_F(CreateWindow, CancelOrClosingStopsAHangingProgramAndOnlyCancelTakesInputMeanwhile)
{
    window.show();
    chooseMame(HangingMame);
    writeFile(destination, "the user's DAT");
    QTimer::singleShot(300, [this] {
        EXPECT_FALSE(find("cmdCreatDat").isEnabled());
        EXPECT_FALSE(find("cboSaveTo").isEnabled());
        press("cmdCancel");
    });
    press("cmdCreatDat");
    EXPECT_EQ(readAll(destination), "the user's DAT");
    EXPECT_EQ(files(), (QStringList{u"mame"_s, u"mame.dat"_s})) << "the partial output is gone";
    EXPECT_TRUE(prompter.messages().isEmpty());
    EXPECT_TRUE(window.isVisible()) << "a second Cancel closes the window";
    ASSERT_TRUE(find("cmdCreatDat").isEnabled());

    QTimer::singleShot(300, [this] { window.close(); });
    press("cmdCreatDat");
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(files(), (QStringList{u"mame"_s, u"mame.dat"_s}));
    EXPECT_EQ(readAll(destination), "the user's DAT");
}

TEST_F(CreateWindow, FailedStartNamesTheTypedProgramAndStopsBeforeTheZipStep)
{
    writeFile(destination, "the user's DAT");
    const QString typed = folder.filePath(u"no-such-mame"_s);
    type("txtExe", typed);
    find<QComboBox>("cboSaveTo").setEditText(destination);
    find<QAbstractButton>("cmdZipDat").setChecked(true);
    press("cmdCreatDat");
    EXPECT_EQ(prompter.texts(), (QStringList{u"CreateProcess failed. Error: 2"_s,
                                             u"Could not start "_s + typed + u": No such file or directory."_s}));
    EXPECT_EQ(files(), QStringList{u"mame.dat"_s}) << "nothing is zipped";
    EXPECT_EQ(readAll(destination), "the user's DAT");
}

TEST_F(CreateWindow, ATypedProgramIsRunAndRememberedWithItsSwitch)
{
    chooseMame("printf '<mame>%s</mame>' \"$@\"\n");
    // Typed over the chosen one: the typed path is the program.
    QDir().mkdir(folder.filePath(u"bin"_s));
    const QString typed = folder.filePath(u"bin/mame0251"_s);
    QFile::copy(folder.filePath(u"mame"_s), typed);
    QFile::remove(folder.filePath(u"mame"_s));
    type("txtExe", typed);
    find<QComboBox>("cboEmulator").setCurrentIndex(1);
    press("cmdCreatDat");
    EXPECT_TRUE(prompter.messages().isEmpty()) << prompter.texts().join(u'|').toStdString();
    EXPECT_EQ(readAll(destination), "<mame>-listxml</mame>");

    frmCreate again(temp.store(), prompter);
    EXPECT_EQ(child<QLineEdit>(again, "txtExe"_L1).text(), u"mame0251"_s);
    EXPECT_EQ(child<QComboBox>(again, "cboEmulator"_L1).currentIndex(), 1);
    QFile::remove(destination);
    click(again, "cmdCreatDat"_L1);
    EXPECT_EQ(readAll(destination), "<mame>-listxml</mame>") << "the remembered program runs as it is";
}

TEST_F(CreateWindow, TheStatusLineClearsWhenANewRunStarts)
{
    window.show();
    chooseMame(HangingMame);
    QTimer::singleShot(300, [this] { press("cmdCancel"); });
    press("cmdCreatDat");
    ASSERT_TRUE(find<QStatusBar>("sbStatusBar").currentMessage().startsWith(u"Cancelled; "_s));

    QString shownDuringRun = u"<not looked at>"_s;
    QTimer::singleShot(300, [&] {
        shownDuringRun = find<QStatusBar>("sbStatusBar").currentMessage();
        press("cmdCancel");
    });
    press("cmdCreatDat");
    EXPECT_EQ(shownDuringRun, QString());
}
