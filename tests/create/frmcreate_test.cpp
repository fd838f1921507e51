#include "frmcreate.h"
#include "mru.h"
#include "scriptedprompter.h"
#include "settingkeys.h"
#include "tempstore.h"
#include "testfiles.h"
#include "ziparchive.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace quillon;
using quillon::testing::ScriptedPrompter;
using quillon::testing::TempStore;
using quillon::testing::readAll;
using quillon::testing::writeFile;

namespace {

class CreateWindow : public ::testing::Test {
protected:
    template <typename Widget>
    Widget* find(const char* name)
    {
        auto* widget = window.findChild<Widget*>(name);
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    void click(const char* name) { find<QAbstractButton>(name)->click(); }

    // A stand-in for MAME: a shell script, given its body.
    QString fakeMame(const QByteArray& body = "printf 'listed with %s' \"$@\"\n")
    {
        const QString path = folder.filePath("mame");
        writeFile(path, "#!/bin/sh\n" + body, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return path;
    }
    // Current MAME: an XML list, and no text list any more.
    QString currentMame()
    {
        return fakeMame("if [ \"$1\" = -listxml ]; then printf '<mame build=\"0.2\">\\n</mame>\\n'; exit 0; fi\n"
                        "echo \"unknown option: $1\" >&2; exit 1\n");
    }
    QStringList filesInFolder() const { return QDir(folder.path()).entryList(QDir::Files | QDir::Hidden); }
    void chooseExecutable(const QString& path)
    {
        prompter.chooseNext(path);
        click("cpvButton1");
    }

    QTemporaryDir folder;
    TempStore temp;
    ScriptedPrompter prompter;
    frmCreate window{temp.store(), prompter};
};

}  // namespace

TEST_F(CreateWindow, CreateIsEnabledOnlyWithExecutableAndDestination)
{
    EXPECT_EQ(window.windowTitle(), "Create a Dat-File from a MAME Executable");
    EXPECT_FALSE(find<QPushButton>("cmdCreatDat")->isEnabled());
    find<QLineEdit>("txtExe")->setText("mame");
    EXPECT_FALSE(find<QPushButton>("cmdCreatDat")->isEnabled());
    find<QComboBox>("cboSaveTo")->setEditText("/dats/mame.dat");
    EXPECT_TRUE(find<QPushButton>("cmdCreatDat")->isEnabled());
}

TEST_F(CreateWindow, RunsTheExecutableWithTheChosenListSwitch)
{
    chooseExecutable(fakeMame());
    EXPECT_EQ(find<QLineEdit>("txtExe")->text(), "mame") << "the name without its folder";
    const QString destination = folder.filePath("mame.dat");
    find<QComboBox>("cboSaveTo")->setEditText(destination);
    click("cmdCreatDat");

    EXPECT_EQ(readAll(destination), "listed with -listinfo");
    EXPECT_EQ(find<QLabel>("lblReceivedBytes")->text(), "21") << "the size received confirms the success";
    EXPECT_EQ(LoadMRU(temp.store(), mru::SaveTo), QStringList{destination});
}

TEST_F(CreateWindow, FailureKeepsTheWindowReadyForAnotherSwitch)
{
    window.show();
    chooseExecutable(currentMame());
    const QString destination = folder.filePath("mame.dat");
    find<QComboBox>("cboSaveTo")->setEditText(destination);
    click("cmdCreatDat");

    ASSERT_EQ(prompter.messages().size(), 1);
    EXPECT_TRUE(prompter.texts().first().endsWith("The program's last output:\nunknown option: -listinfo"));
    EXPECT_FALSE(QFileInfo::exists(destination));
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(find<QLineEdit>("txtExe")->text(), "mame");
    EXPECT_TRUE(find<QPushButton>("cmdCreatDat")->isEnabled());

    find<QComboBox>("cboEmulator")->setCurrentIndex(1);
    click("cmdCreatDat");
    EXPECT_EQ(readAll(destination), "<mame build=\"0.2\">\n</mame>\n");
    EXPECT_EQ(prompter.messages().size(), 1);
    EXPECT_TRUE(window.isVisible());
}

TEST_F(CreateWindow, CancelStopsAHangingProgramAndOnlyCancelTakesInputMeanwhile)
{
    window.show();
    chooseExecutable(fakeMame("printf 'partial'\nexec sleep 600\n"));
    const QString destination = folder.filePath("mame.dat");
    writeFile(destination, "the user's DAT");
    find<QComboBox>("cboSaveTo")->setEditText(destination);
    QTimer::singleShot(300, [this] {
        EXPECT_FALSE(find<QPushButton>("cmdCreatDat")->isEnabled());
        EXPECT_FALSE(find<QComboBox>("cboSaveTo")->isEnabled());
        EXPECT_TRUE(find<QPushButton>("cmdCancel")->isEnabled());
        click("cmdCancel");
    });
    click("cmdCreatDat");

    EXPECT_EQ(readAll(destination), "the user's DAT");
    EXPECT_EQ(filesInFolder(), (QStringList{"mame", "mame.dat"})) << "the partial output is gone";
    EXPECT_TRUE(prompter.messages().isEmpty());
    EXPECT_TRUE(window.isVisible()) << "a second Cancel closes the window";
    EXPECT_TRUE(find<QPushButton>("cmdCreatDat")->isEnabled());
}

TEST_F(CreateWindow, ClosingTheWindowDuringARunStopsTheProgram)
{
    window.show();
    chooseExecutable(fakeMame("printf 'partial'\nexec sleep 600\n"));
    find<QComboBox>("cboSaveTo")->setEditText(folder.filePath("mame.dat"));
    QTimer::singleShot(300, [this] { window.close(); });
    click("cmdCreatDat");

    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(filesInFolder(), QStringList{"mame"});
}

TEST_F(CreateWindow, ZippedResultLeavesOnlyTheArchive)
{
    chooseExecutable(fakeMame());
    const QString destination = folder.filePath("mame.dat");
    find<QComboBox>("cboSaveTo")->setEditText(destination);
    find<QToolButton>("cmdZipDat")->setChecked(true);
    click("cmdCreatDat");

    EXPECT_FALSE(QFileInfo::exists(destination));
    const auto entries = ListZip(folder.filePath("mame.zip"));
    ASSERT_TRUE(entries.has_value());
    ASSERT_EQ(entries->size(), 1);
    EXPECT_EQ(entries->first().name, "mame.dat");
    const QString extracted = folder.filePath("extracted.dat");
    ASSERT_TRUE(ExtractZipEntry(folder.filePath("mame.zip"), "mame.dat", extracted));
    EXPECT_EQ(readAll(extracted), "listed with -listinfo");
}

TEST_F(CreateWindow, FailedStartStopsBeforeTheZipStep)
{
    const QString destination = folder.filePath("mame.dat");
    writeFile(destination, "the user's DAT");
    find<QLineEdit>("txtExe")->setText("typed-by-hand");
    find<QComboBox>("cboSaveTo")->setEditText(destination);
    find<QToolButton>("cmdZipDat")->setChecked(true);
    click("cmdCreatDat");

    EXPECT_EQ(prompter.texts(), QStringList{"CreateProcess failed. Error: 2"}) << "only a browsed path is run";
    EXPECT_EQ(readAll(destination), "the user's DAT");
    EXPECT_FALSE(QFileInfo::exists(folder.filePath("mame.zip")));
}

TEST_F(CreateWindow, TypedVersionCreatesNothing)
{
    chooseExecutable(fakeMame());
    find<QComboBox>("cboSaveTo")->setEditText(folder.filePath("mame.dat"));
    find<QComboBox>("cboEmulator")->setEditText("MAME 0.37");
    click("cmdCreatDat");
    EXPECT_FALSE(QFileInfo::exists(folder.filePath("mame.dat")));
    EXPECT_EQ(window.result(), QDialog::Accepted);
}

TEST_F(CreateWindow, MissingInputsAreWarnedAbout)
{
    find<QLineEdit>("txtExe")->setText("mame");
    find<QComboBox>("cboSaveTo")->setEditText("x");
    find<QLineEdit>("txtExe")->clear();
    find<QPushButton>("cmdCreatDat")->setEnabled(true);
    click("cmdCreatDat");
    find<QLineEdit>("txtExe")->setText("mame");
    find<QComboBox>("cboSaveTo")->setEditText("");
    find<QPushButton>("cmdCreatDat")->setEnabled(true);
    click("cmdCreatDat");

    EXPECT_EQ(prompter.texts(),
              (QStringList{"Please select a MAME Executable...\r\n", "Please select a destionation...\r\n"}));
    for (const PromptMessage& message : prompter.messages()) {
        EXPECT_EQ(message.title, "Warning...");
        EXPECT_EQ(message.icon, PromptIcon::Exclamation);
    }
    EXPECT_TRUE(window.isEnabled());
    EXPECT_TRUE(find<QPushButton>("cmdCreatDat")->isEnabled());
}

TEST_F(CreateWindow, SaveDialogAddsTheExtensionOfTheChosenType)
{
    const auto chooseDestination = [this](const QString& path, int filterIndex) {
        prompter.chooseNext(path, filterIndex);
        click("cpvButton2");
        return find<QComboBox>("cboSaveTo")->currentText();
    };
    EXPECT_EQ(chooseDestination("/dats/new", 0), "/dats/new.dat");
    EXPECT_EQ(chooseDestination("/dats/new", 1), "/dats/new.xml");
    EXPECT_EQ(chooseDestination("/dats/new.DAT", 0), "/dats/new.DAT");
    EXPECT_EQ(prompter.saveRequests().last().startPath, "/dats/new.xml");
    EXPECT_EQ(LoadMRU(temp.store(), mru::SaveTo), (QStringList{"/dats/new.DAT", "/dats/new.xml", "/dats/new.dat"}));

    click("cpvButton2");
    EXPECT_EQ(find<QComboBox>("cboSaveTo")->currentText(), "/dats/new.DAT") << "cancel changes nothing";
}

TEST_F(CreateWindow, ChosenRecentDestinationMovesToTheTop)
{
    SaveMRU(temp.store(), mru::SaveTo, {"/a.dat", "/b.dat", "/c.dat"});
    frmCreate reopened(temp.store(), prompter);
    auto* saveTo = reopened.findChild<QComboBox*>("cboSaveTo");
    EXPECT_EQ(saveTo->currentText(), "/a.dat") << "the window opens on the newest destination";
    ASSERT_EQ(saveTo->count(), 3);
    saveTo->setCurrentIndex(2);
    emit saveTo->activated(2);
    EXPECT_EQ(LoadMRU(temp.store(), mru::SaveTo), (QStringList{"/c.dat", "/a.dat", "/b.dat"}));
}

TEST_F(CreateWindow, ZipToggleIsRemembered)
{
    find<QToolButton>("cmdZipDat")->setChecked(true);
    click("cmdCancel");
    EXPECT_TRUE(temp.store().readBool(keys::CreateDatZipDat));
    frmCreate reopened(temp.store(), prompter);
    EXPECT_TRUE(reopened.findChild<QToolButton*>("cmdZipDat")->isChecked());
}
