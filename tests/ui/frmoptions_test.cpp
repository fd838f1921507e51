#include "frmoptions.h"
#include "scriptedprompter.h"
#include "settingkeys.h"
#include "switches.h"
#include "tempstore.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace quillon;
using quillon::testing::ScriptedPrompter;
using quillon::testing::TempStore;

namespace {

class OptionsDialog : public ::testing::Test {
protected:
    template <typename Widget>
    Widget* find(frmOptions& dialog, const char* name)
    {
        auto* widget = dialog.findChild<Widget*>(name);
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    void click(frmOptions& dialog, const char* name) { find<QAbstractButton>(dialog, name)->click(); }
    bool isChecked(frmOptions& dialog, const char* name) { return find<QAbstractButton>(dialog, name)->isChecked(); }

    TempStore temp;
    SettingsStore& store = temp.store();
    ScriptedPrompter prompter;
};

}  // namespace

TEST_F(OptionsDialog, ShowsTheStoredValues)
{
    temp.writeFileText("[Options]\nSetType=2\ndatType=3\nObject=1\nRomRenames=2\nNoDump=0\n"
                       "DatFolderMode=1\nDatFolder=/dats\nMupltipleInstances=1\n");
    frmOptions dialog(store, prompter);
    EXPECT_EQ(dialog.windowTitle(), "Options");
    EXPECT_TRUE(isChecked(dialog, "optSetType_2"));
    EXPECT_TRUE(isChecked(dialog, "optDatType_3"));
    EXPECT_TRUE(isChecked(dialog, "optObject_1"));
    EXPECT_TRUE(isChecked(dialog, "optDatFolder_1"));
    EXPECT_EQ(find<QCheckBox>(dialog, "chkRomRenames")->checkState(), Qt::PartiallyChecked);
    EXPECT_EQ(find<QCheckBox>(dialog, "chkNoDump")->checkState(), Qt::Unchecked);
    EXPECT_EQ(find<QCheckBox>(dialog, "chkMultipleInstance")->checkState(), Qt::Checked);
    EXPECT_EQ(find<QLineEdit>(dialog, "txtDatFolder")->text(), "/dats");
    EXPECT_TRUE(find<QLineEdit>(dialog, "txtDatFolder")->isEnabled());
}

TEST_F(OptionsDialog, ValuesItCannotShowCountAsTheDefaults)
{
    temp.writeFileText("[Options]\nSetType=7\nDatType=-1\nObject=x\nNoDump=5\n");
    frmOptions dialog(store, prompter);
    EXPECT_TRUE(isChecked(dialog, "optSetType_0"));
    EXPECT_TRUE(isChecked(dialog, "optDatType_1"));
    EXPECT_TRUE(isChecked(dialog, "optObject_0"));
    EXPECT_EQ(find<QCheckBox>(dialog, "chkNoDump")->checkState(), Qt::Checked);
}

TEST_F(OptionsDialog, DefaultsThenSaveGiveTheDefaultSwitches)
{
    temp.writeFileText("[Options]\nSetType=1\nDatType=3\nObject=2\nRomRenames=1\nNoDump=0\n"
                       "Non-Separeted%20BIOS=1\nShowDiffResults=0\n");
    frmOptions dialog(store, prompter);
    EXPECT_EQ(find<QCheckBox>(dialog, "chkShowDiffResults")->checkState(), Qt::Unchecked);
    EXPECT_EQ(find<QCheckBox>(dialog, "chkShowDiffResults")->text(), "Show results after Make Diff");
    click(dialog, "cmdDefaults");
    click(dialog, "cmdSave");
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(BuildDiffSwitches(store), "-s -d2 -z");
    SettingsStore reopened(temp.path());
    EXPECT_EQ(reopened.readString(keys::RomRenames), "0");
    EXPECT_EQ(reopened.readString(keys::SearchWholeFile), "0");
    EXPECT_EQ(reopened.readString(keys::DatFolderMode), "0");
    EXPECT_EQ(reopened.readString(keys::ShowDiffResults), "1") << "results are shown by default";
}

TEST_F(OptionsDialog, SaveWritesEveryOptionAsItsIndexOrCheckValue)
{
    temp.writeFileText("[Options]\nNon-Separeted%20BIOS=2\n");
    frmOptions dialog(store, prompter);
    click(dialog, "optSetType_2");
    click(dialog, "optDatType_2");
    click(dialog, "optObject_2");
    click(dialog, "chkRomRenames");
    click(dialog, "chkCMPHeaderSearch");
    click(dialog, "cmdSave");

    SettingsStore reopened(temp.path());
    EXPECT_EQ(reopened.readString(keys::SetType), "2");
    EXPECT_EQ(reopened.readString(keys::DatType), "2");
    EXPECT_EQ(reopened.readString(keys::Object), "2");
    EXPECT_EQ(reopened.readString(keys::RomRenames), "1");
    EXPECT_EQ(reopened.readString(keys::NonSeparatedBios), "2") << "a grey box stays grey";
    EXPECT_EQ(reopened.readString(keys::SearchWholeFile), "1");
    EXPECT_EQ(BuildDiffSwitches(reopened), "-n -d3 -o sample -r -z");
}

TEST_F(OptionsDialog, RememberingTheLastFolderDisablesTheBoxButKeepsItsText)
{
    temp.writeFileText("[Options]\nDatFolderMode=1\nDatFolder=/dats/mame\n");
    frmOptions dialog(store, prompter);
    click(dialog, "optDatFolder_0");
    EXPECT_FALSE(find<QLineEdit>(dialog, "txtDatFolder")->isEnabled());
    EXPECT_FALSE(find<QToolButton>(dialog, "cmdBrowse")->isEnabled());
    click(dialog, "cmdSave");
    EXPECT_EQ(SettingsStore(temp.path()).readString(keys::DatFolder), "/dats/mame");
    EXPECT_EQ(SettingsStore(temp.path()).readString(keys::DatFolderMode), "0");
}

TEST_F(OptionsDialog, BrowseReplacesTheFolderUnlessCancelled)
{
    temp.writeFileText("[Options]\nDatFolderMode=1\nDatFolder=/dats\n");
    frmOptions dialog(store, prompter);
    prompter.chooseNext("/other/dats");
    click(dialog, "cmdBrowse");
    EXPECT_EQ(find<QLineEdit>(dialog, "txtDatFolder")->text(), "/other/dats");
    click(dialog, "cmdBrowse");
    EXPECT_EQ(find<QLineEdit>(dialog, "txtDatFolder")->text(), "/other/dats");
    ASSERT_EQ(prompter.folderRequests().size(), 2);
    EXPECT_EQ(prompter.folderRequests().at(0).title, "Select a folder containing .dat files...");
}

TEST_F(OptionsDialog, CancelWritesNothing)
{
    temp.writeFileText("[Options]\nSetType=1\n");
    const QByteArray before = temp.fileText();
    frmOptions dialog(store, prompter);
    click(dialog, "optSetType_2");
    click(dialog, "cmdDefaults");
    click(dialog, "cmdCancel");
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(temp.fileText(), before);
}
