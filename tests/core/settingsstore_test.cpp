#include "settingkeys.h"
#include "tempstore.h"

#include <gtest/gtest.h>

using namespace quillon;
using namespace Qt::Literals::StringLiterals;
using quillon::testing::TempStore;

TEST(SettingsStore, MissingValuesAndValuesThatDoNotConvertGiveTheDefaults)
{
    TempStore temp;
    temp.writeFileText("[Options]\nDatType=three\nSetType=70000\nNoDump=\nMupltipleInstances=yes\n"
                       "[CreateDiff]\nZipDat=maybe\n");
    const SettingsStore& store = temp.store();
    EXPECT_EQ(store.readInt16(keys::DatType), 1);
    EXPECT_EQ(store.readInt16(keys::SetType), 0) << "out of the 16-bit range";
    EXPECT_EQ(store.readDouble(keys::NoDump), 1.0);
    EXPECT_EQ(store.readDouble(keys::MultipleInstances), 0.0);
    EXPECT_FALSE(store.readBool(keys::DiffZipDat));
    EXPECT_EQ(store.readDouble(keys::PositionLeft, 1234.5), 1234.5);
}

TEST(SettingsStore, KeysMatchWithoutRegardToCaseAndAreWrittenAtOnce)
{
    TempStore temp;
    bool reported = false;
    temp.store().setWriteFailureHandler([&reported](const QString&) { reported = true; });
    temp.writeFileText("[options]\ndattype=0\nMUPLTIPLEINSTANCES=2\nNon-Separeted%20BIOS=1\n");
    EXPECT_EQ(temp.store().readDouble(keys::MultipleInstances), 2.0);
    EXPECT_EQ(temp.store().readDouble(keys::NonSeparatedBios), 1.0);

    temp.store().SaveSetting(u"OPTIONS"_s, u"DATTYPE"_s, u"2"_s);
    EXPECT_EQ(temp.store().readInt16(keys::DatType), 2);
    const QByteArray text = temp.fileText();
    EXPECT_TRUE(text.contains("dattype=2")) << "a write in other letters reuses the stored key: " << text.toStdString();
    EXPECT_FALSE(text.contains("DATTYPE"));
    EXPECT_FALSE(reported);
}

TEST(SettingsStore, ReadsBooleansAsWordsOrNumbers)
{
    TempStore temp;
    for (const auto& [text, expected] : {std::pair{"True", true}, {"false", false}, {"-1", true}, {"0", false}}) {
        temp.store().write(keys::DiffZipDat, QString::fromLatin1(text));
        EXPECT_EQ(temp.store().readBool(keys::DiffZipDat), expected) << text;
    }
}

TEST(SettingsStore, KeepsTextWithCommasAcrossReopening)
{
    TempStore temp;
    temp.store().write(keys::DatFolder, u"/data/dats, old/MAME"_s);
    EXPECT_EQ(SettingsStore(temp.path()).readString(keys::DatFolder), u"/data/dats, old/MAME"_s);
    temp.writeFileText("[Options]\nDatFolder=/a, b\n");
    EXPECT_EQ(temp.store().readString(keys::DatFolder), u"/a, b"_s) << "an unquoted value written by hand";
}

TEST(SettingsStore, AFileThatCannotBeWrittenIsReportedOnceWithTheReason)
{
    // A file below a device cannot be made, not even by root.
    SettingsStore store(u"/dev/null/Quillon/Quillon.ini"_s);
    QStringList reasons;
    store.setWriteFailureHandler([&reasons](const QString& reason) { reasons.append(reason); });

    store.SaveSetting(u"Options"_s, u"DatType"_s, u"3"_s);
    store.SaveSetting(u"Options"_s, u"DatType"_s, u"4"_s);
    store.sync();

    EXPECT_EQ(reasons, QStringList{u"The folder /dev/null/Quillon does not exist and cannot be made."_s});
    EXPECT_EQ(store.readInt16(keys::DatType), 4) << "the values stay for this session";
}
