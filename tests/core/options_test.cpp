#include "commandline.h"
#include "mru.h"
#include "scriptedprompter.h"
#include "settingkeys.h"
#include "switches.h"
#include "tempstore.h"

#include <gtest/gtest.h>

using namespace quillon;
using namespace Qt::Literals::StringLiterals;
using quillon::testing::ScriptedPrompter;
using quillon::testing::TempStore;

TEST(SettingsStore, ReadsAHandEditedFileForgivinglyAndKeepsItsKeys)
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

    for (const auto& [text, expected] : {std::pair{"True", true}, {"false", false}, {"-1", true}, {"0", false}}) {
        temp.store().write(keys::DiffZipDat, QString::fromLatin1(text));
        EXPECT_EQ(store.readBool(keys::DiffZipDat), expected) << "booleans as words or numbers: " << text;
    }

    temp.writeFileText("[options]\ndattype=0\nMUPLTIPLEINSTANCES=2\nNon-Separeted%20BIOS=1\nDatFolder=/a, b\n");
    EXPECT_EQ(temp.store().readDouble(keys::MultipleInstances), 2.0);
    EXPECT_EQ(temp.store().readDouble(keys::NonSeparatedBios), 1.0);
    EXPECT_EQ(temp.store().readString(keys::DatFolder), u"/a, b"_s) << "an unquoted value written by hand";

    temp.store().SaveSetting(u"OPTIONS"_s, u"DATTYPE"_s, u"2"_s);
    EXPECT_EQ(temp.store().readInt16(keys::DatType), 2);
    const QByteArray text = temp.fileText();
    EXPECT_TRUE(text.contains("dattype=2")) << "a write in other letters reuses the stored key: " << text.toStdString();
    EXPECT_FALSE(text.contains("DATTYPE"));

    temp.store().write(keys::DatFolder, u"/data/dats, old/MAME"_s);
    EXPECT_EQ(SettingsStore(temp.path()).readString(keys::DatFolder), u"/data/dats, old/MAME"_s);
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

TEST(SettingsStore, ABatchWritesItsSavesAtItsEnd)
{
    TempStore temp;
    {
        const SettingsStore::Batch oneWrite(temp.store());
        SaveMRU(temp.store(), mru::SaveTo, {u"a.dat"_s, u"b.dat"_s});
        EXPECT_FALSE(quillon::testing::readAll(temp.path()).contains("b.dat")) << "not yet written";
    }
    EXPECT_EQ(LoadMRU(SettingsStore(temp.path()), mru::SaveTo), (QStringList{u"a.dat"_s, u"b.dat"_s}));
}

TEST(Mru, MostRecentFirstWithoutDuplicatesUpToFifteenAndTheCountBoundsEveryRead)
{
    const std::pair<QStringList, QStringList> additions[] = {
        {{u"A"_s, u"B"_s, u"A"_s, u"a"_s}, {u"a"_s, u"A"_s, u"B"_s}},  // matching is exact
        {{u"/a"_s, u"/b"_s, u"/b"_s}, {u"/b"_s, u"/a"_s}},             // the newest, added again
    };
    for (const auto& [added, expected] : additions) {
        TempStore list;
        for (const QString& value : added)
            AddToMRU(list.store(), mru::DestFile, value);
        EXPECT_EQ(LoadMRU(list.store(), mru::DestFile), expected) << added.join(u' ').toStdString();
    }

    TempStore temp;

    for (int index = 1; index <= 16; ++index)
        AddToMRU(temp.store(), mru::SaveTo, QString::number(index));
    const QStringList kept = LoadMRU(temp.store(), mru::SaveTo);
    EXPECT_TRUE(kept.size() == 15 && kept.front() == u"16"_s && kept.back() == u"2"_s) << kept.join(u' ').toStdString();
    EXPECT_EQ(temp.store().GetSetting(u"MRUSaveTo"_s, u"Count"_s, {}), u"15"_s);
    EXPECT_EQ(temp.store().GetSetting(u"MRUSaveTo"_s, u"0"_s, {}), u"16"_s);

    EXPECT_EQ(LoadMRU(temp.store(), mru::SourceDat), QStringList{QString()}) << "an empty list is one empty entry";
    const std::pair<QByteArray, QStringList> cases[] = {
        {"Count=many\n", {QString()}},
        {"Count=3\n0=/dats\n", {u"/dats"_s, QString(), QString()}},
        {"Count=1\n0=/dats\n1=/stale\n", {u"/dats"_s}},
    };
    for (const auto& [section, expected] : cases) {
        temp.writeFileText("[MRUSourceDat]\n" + section);
        EXPECT_EQ(LoadMRU(temp.store(), mru::SourceDat), expected) << section.toStdString();
    }
    temp.writeFileText("[MRUSourceDat]\nCount=100000000\n0=/dats\n");
    EXPECT_EQ(LoadMRU(temp.store(), mru::SourceDat).size(), mru::Capacity) << "a corrupt count is bounded";

    temp.writeFileText("[MRUSaveTo]\nCount=3\n0=\n1=/b\n2=/c\n");
    AddToMRU(temp.store(), mru::SaveTo, u"/a"_s);
    EXPECT_EQ(LoadMRU(temp.store(), mru::SaveTo), (QStringList{u"/a"_s, u"/b"_s, u"/c"_s})) << "an empty first entry is replaced";
}

TEST(BuildDiffSwitches, FromTheStoredOptions)
{
    const std::pair<QByteArray, QString> cases[] = {
        {"", u"-s -d2 -z"_s},
        {"SetType=2\nDatType=3\nObject=2\nRomRenames=1\nNoDump=1\nNon-Separeted%20BIOS=1\n",
         u"-n -d4 -o sample -r -z -b"_s},
        {"Object=1\n", u"-s -d2 -o disk -z"_s},
        {"SetType=1\nDatType=0\n", u"-m -d1 -z"_s},
        {"NoDump=0\n", u"-s -d2"_s},
        {"RomRenames=2\n", u"-s -d2 -z"_s},  // a grey box is not ticked
        {"DatType=4\n", u"-s -z"_s},
        {"DatType=-1\n", u"-s -z"_s},
        {"SetType=5\nDatType=9\nNoDump=0\n", u""_s},
        {"SetType=3\nNoDump=0\nNon-Separeted%20BIOS=1\n", u"-d2 -b"_s},  // no blank at either end
        {"SetType=merged\nNoDump=yes\n", u"-s -d2 -z"_s},                  // not numbers: the defaults
    };
    for (const auto& [stored, expected] : cases) {
        TempStore temp;
        temp.writeFileText("[Options]\n" + stored);
        EXPECT_EQ(BuildDiffSwitches(temp.store()), expected) << stored.toStdString();
    }
}

TEST(CommandLine, SwitchesFileNamesAndWhatIsReported)
{
    const struct {
        QStringList arguments;
        bool advancedMode;
        bool debug;
        QString startFile;
        QStringList messages;
    } cases[] = {
        {{}, false, false, {}, {}},
        {{u"-a"_s}, true, false, {}, {}},
        {{u"/A"_s}, true, false, {}, {}},
        {{u"/D"_s, u"-f"_s, u"/home/me/My Dats/new.dat"_s}, false, true, u"/home/me/My Dats/new.dat"_s, {}},
        {{u"-F"_s, u"New.DAT"_s}, false, false, u"New.DAT"_s, {}},
        {{u"-a"_s, u"-f"_s}, true, false, {}, {u"Filename not specified."_s}},
        {{u"-f"_s, u"-d"_s}, false, false, {}, {u"Invalid filename."_s}},
        {{u"-f"_s, u"/a"_s}, false, false, {}, {u"Invalid filename."_s}},
        {{u"verbose"_s, u"-a"_s, u""_s, u"-x"_s}, true, false, {},
         {u"Invalid argument: verbose"_s, u"Invalid argument: "_s, u"Invalid argument: -x"_s}},
    };
    for (const auto& expected : cases) {
        SCOPED_TRACE(expected.arguments.join(u' ').toStdString());
        ScriptedPrompter prompter;
        const StartupOptions options = WalkCommandLine(expected.arguments, prompter);
        EXPECT_EQ(options.advancedMode, expected.advancedMode);
        EXPECT_EQ(options.debug, expected.debug);
        EXPECT_EQ(options.startFile, expected.startFile);
        EXPECT_EQ(prompter.texts(), expected.messages);
        for (const PromptMessage& message : prompter.messages())
            EXPECT_TRUE(message.icon == PromptIcon::None && message.title.isEmpty()) << "a plain box, application title";
    }
}
