#include "frmoptions.h"
#include "scriptedprompter.h"
#include "settingkeys.h"
#include "switches.h"
#include "tempstore.h"
#include "windowtesting.h"

#include <QCheckBox>
#include <QLineEdit>

using namespace quillon;
using namespace Qt::Literals::StringLiterals;
using quillon::testing::child;

namespace {

class OptionsDialog : public ::testing::Test {
protected:
    bool isChecked(const char* name) { return child<QAbstractButton>(*dialog, name).isChecked(); }
    Qt::CheckState state(const char* name) { return child<QCheckBox>(*dialog, name).checkState(); }
    QLineEdit& folderBox() { return child<QLineEdit>(*dialog, "txtDatFolder"); }
    void open(const QByteArray& options)
    {
        temp.writeFileText("[Options]\n" + options);
        dialog = std::make_unique<frmOptions>(temp.store(), prompter);
    }
    void click(std::initializer_list<const char*> names)
    {
        for (const char* name : names)
            quillon::testing::click(*dialog, name);
    }
    QString saved(const SettingKey& key) { return SettingsStore(temp.path()).readString(key); }
    QString savedSwitches() { return BuildDiffSwitches(SettingsStore(temp.path())); }

    quillon::testing::TempStore temp;
    quillon::testing::ScriptedPrompter prompter;
    std::unique_ptr<frmOptions> dialog;
};

}  // namespace

TEST_F(OptionsDialog, ShowsTheStoredValuesAndTheDefaultsForThoseItCannotShow)
{
    open("SetType=2\ndatType=3\nObject=1\nRomRenames=2\nNoDump=0\nDatFolderMode=1\nDatFolder=/dats\n"
         "MupltipleInstances=1\n");
    EXPECT_TRUE(isChecked("optSetType_2") && isChecked("optDatType_3") && isChecked("optObject_1"));
    EXPECT_TRUE(isChecked("optDatFolder_1"));
    EXPECT_EQ(state("chkRomRenames"), Qt::PartiallyChecked);
    EXPECT_EQ(state("chkNoDump"), Qt::Unchecked);
    EXPECT_EQ(state("chkMultipleInstance"), Qt::Checked);
    EXPECT_EQ(folderBox().text(), u"/dats"_s);
    EXPECT_TRUE(folderBox().isEnabled());

    open("SetType=7\nDatType=-1\nObject=x\nNoDump=5\n");
    EXPECT_TRUE(isChecked("optSetType_0") && isChecked("optDatType_1") && isChecked("optObject_0"));
    EXPECT_EQ(state("chkNoDump"), Qt::Checked);
}

TEST_F(OptionsDialog, CancelWritesNothingAndDefaultsThenSaveGiveTheDefaultSwitches)
{
    const QByteArray changed = "SetType=1\nDatType=3\nObject=2\nRomRenames=1\nNoDump=0\nNon-Separeted%20BIOS=1\n"
                               "ShowDiffResults=0\n";
    open(changed);
    const QByteArray before = temp.fileText();
    click({"optSetType_2", "cmdDefaults", "cmdCancel"});
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
    EXPECT_EQ(temp.fileText(), before);

    open(changed);
    click({"cmdDefaults", "cmdSave"});
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(savedSwitches(), u"-s -d2 -z"_s);
    EXPECT_EQ(saved(keys::SearchWholeFile), u"0"_s);
    EXPECT_EQ(saved(keys::ShowDiffResults), u"1"_s) << "results are shown by default";
}

TEST_F(OptionsDialog, SaveWritesEveryOptionAndKeepsTheTextOfADisabledFolderBox)
{
    open("Non-Separeted%20BIOS=2\nDatFolderMode=1\nDatFolder=/dats/mame\n");
    click({"optSetType_2", "optDatType_2", "optObject_2", "chkRomRenames", "chkCMPHeaderSearch"});
    prompter.chooseNext(u"/other/dats"_s);
    click({"cmdBrowse", "cmdBrowse"});
    EXPECT_EQ(folderBox().text(), u"/other/dats"_s) << "a cancelled choice changes nothing";
    click({"optDatFolder_0"});
    EXPECT_FALSE(folderBox().isEnabled() || child(*dialog, "cmdBrowse").isEnabled());
    click({"cmdSave"});

    EXPECT_EQ(savedSwitches(), u"-n -d3 -o sample -r -z"_s);
    EXPECT_EQ(saved(keys::NonSeparatedBios), u"2"_s) << "a grey box stays grey";
    EXPECT_EQ(saved(keys::SearchWholeFile), u"1"_s);
    EXPECT_EQ(saved(keys::DatFolder), u"/other/dats"_s);
    EXPECT_EQ(saved(keys::DatFolderMode), u"0"_s);
}
