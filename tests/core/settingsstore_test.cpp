#include "settingkeys.h"
#include "tempstore.h"

#include <gtest/gtest.h>

using namespace quillon;
using quillon::testing::TempStore;

TEST(SettingsStore, MissingKeysGiveTheirDefaults)
{
    TempStore temp;
    SettingsStore& store = temp.store();
    EXPECT_EQ(store.GetSetting("Options", "Nothing", "fallback"), "fallback");
    EXPECT_EQ(store.readInt16(keys::DatType), 1);
    EXPECT_EQ(store.readDouble(keys::NoDump), 1.0);
    EXPECT_FALSE(store.readBool(keys::DiffZipDat));
    EXPECT_EQ(store.readString(keys::DatFolder), "");
    EXPECT_EQ(store.readDouble(keys::PositionLeft, 1234.5), 1234.5);
}

TEST(SettingsStore, SectionsAndKeysMatchWithoutRegardToCase)
{
    TempStore temp;
    temp.store().SaveSetting("Options", "DatType", "3");
    EXPECT_EQ(temp.store().GetSetting("options", "datType", "1"), "3");

    temp.store().SaveSetting("OPTIONS", "DATTYPE", "2");
    EXPECT_EQ(temp.store().readInt16(keys::DatType), 2);
    EXPECT_EQ(temp.fileText().count("atType"), 1) << "a write in other letters reuses the stored key";
}

TEST(SettingsStore, FindsKeysAsAUserWroteThemByHand)
{
    TempStore temp;
    temp.writeFileText("[options]\ndattype=0\nMUPLTIPLEINSTANCES=2\nNon-Separeted%20BIOS=1\n");
    EXPECT_EQ(temp.store().readInt16(keys::DatType), 0);
    EXPECT_EQ(temp.store().readDouble(keys::MultipleInstances), 2.0);
    EXPECT_EQ(temp.store().readDouble(keys::NonSeparatedBios), 1.0);
}

TEST(SettingsStore, ValuesThatDoNotConvertFallBackToTheDefault)
{
    TempStore temp;
    temp.writeFileText("[Options]\nDatType=three\nSetType=70000\nNoDump=\nMupltipleInstances=yes\n"
                       "[CreateDiff]\nZipDat=maybe\n");
    EXPECT_EQ(temp.store().readInt16(keys::DatType), 1);
    EXPECT_EQ(temp.store().readInt16(keys::SetType), 0) << "out of the 16-bit range";
    EXPECT_EQ(temp.store().readDouble(keys::NoDump), 1.0);
    EXPECT_EQ(temp.store().readDouble(keys::MultipleInstances), 0.0);
    EXPECT_FALSE(temp.store().readBool(keys::DiffZipDat));
}

TEST(SettingsStore, ReadsBooleansAsWordsOrNumbers)
{
    TempStore temp;
    for (const auto& [text, expected] : {std::pair{"True", true}, {"false", false}, {"-1", true}, {"0", false}}) {
        temp.store().write(keys::DiffZipDat, text);
        EXPECT_EQ(temp.store().readBool(keys::DiffZipDat), expected) << text;
    }
}

TEST(SettingsStore, KeepsTextWithCommasAndSurvivesReopening)
{
    QString path;
    const QString folder = "/data/dats, old/MAME";
    {
        TempStore temp;
        temp.store().write(keys::DatFolder, folder);
        temp.store().write(keys::PositionLeft, "1500");
        SettingsStore reopened(temp.path());
        EXPECT_EQ(reopened.readString(keys::DatFolder), folder);
        EXPECT_EQ(reopened.readDouble(keys::PositionLeft, 0), 1500.0);
    }
    TempStore temp;
    temp.writeFileText("[Options]\nDatFolder=/a, b\n");
    EXPECT_EQ(temp.store().readString(keys::DatFolder), "/a, b") << "an unquoted value written by hand";
}

TEST(SettingsStore, AFileThatCannotBeWrittenIsReportedOnceWithTheReason)
{
    // A file below a device cannot be made, not even by root.
    SettingsStore store("/dev/null/Quillon/Quillon.ini");
    QStringList reasons;
    store.setWriteFailureHandler([&reasons](const QString& reason) { reasons.append(reason); });

    store.SaveSetting("Options", "DatType", "3");
    store.SaveSetting("Options", "DatType", "4");
    store.sync();

    EXPECT_EQ(reasons, QStringList{"The folder /dev/null/Quillon does not exist and cannot be made."});
    EXPECT_EQ(store.readInt16(keys::DatType), 4) << "the values stay for this session";
}

TEST(SettingsStore, AFileThatCanBeWrittenIsNeverReported)
{
    TempStore temp;
    bool reported = false;
    temp.store().setWriteFailureHandler([&reported](const QString&) { reported = true; });
    temp.store().SaveSetting("Options", "DatType", "3");
    EXPECT_FALSE(reported);
    EXPECT_TRUE(temp.fileText().contains("DatType=3")) << "written at once";
}
