#include "mru.h"
#include "tempstore.h"

#include <gtest/gtest.h>

using namespace quillon;
using quillon::testing::TempStore;

namespace {

void addAll(SettingsStore& store, const QStringList& values)
{
    for (const QString& value : values)
        AddToMRU(store, mru::DestFile, value);
}

}  // namespace

TEST(Mru, AnEmptyListIsOneEmptyEntry)
{
    TempStore temp;
    EXPECT_EQ(LoadMRU(temp.store(), mru::SourceDat), QStringList{""});
    temp.store().SaveSetting("MRUSourceDat", "Count", "many");
    EXPECT_EQ(LoadMRU(temp.store(), mru::SourceDat), QStringList{""});
}

TEST(Mru, MostRecentFirstWithoutDuplicates)
{
    TempStore temp;
    addAll(temp.store(), {"A", "B", "A"});
    EXPECT_EQ(LoadMRU(temp.store(), mru::DestFile), (QStringList{"A", "B"}));
    addAll(temp.store(), {"a"});
    EXPECT_EQ(LoadMRU(temp.store(), mru::DestFile), (QStringList{"a", "A", "B"})) << "matching is exact";
}

TEST(Mru, KeepsTheFifteenMostRecent)
{
    TempStore temp;
    QStringList newestFirst;
    for (int index = 1; index <= 16; ++index) {
        AddToMRU(temp.store(), mru::DestFile, QString::number(index));
        newestFirst.prepend(QString::number(index));
    }
    newestFirst.removeLast();
    EXPECT_EQ(LoadMRU(temp.store(), mru::DestFile), newestFirst);
}

TEST(Mru, StoredAsCountAndNumberedKeysInItsSection)
{
    TempStore temp;
    addAll(temp.store(), {"/old/one.dat", "/new/two.dat"});
    EXPECT_EQ(temp.store().GetSetting("MRUDestFile", "Count", ""), "2");
    EXPECT_EQ(temp.store().GetSetting("MRUDestFile", "0", ""), "/new/two.dat");
    EXPECT_EQ(temp.store().GetSetting("MRUDestFile", "1", ""), "/old/one.dat");
}

TEST(Mru, CountBoundsEveryRead)
{
    TempStore temp;
    temp.writeFileText("[MRUSourceDat]\nCount=3\n0=/dats\n");
    EXPECT_EQ(LoadMRU(temp.store(), mru::SourceDat), (QStringList{"/dats", "", ""}));

    temp.writeFileText("[MRUSourceDat]\nCount=1\n0=/dats\n1=/stale\n");
    EXPECT_EQ(LoadMRU(temp.store(), mru::SourceDat), QStringList{"/dats"});

    temp.writeFileText("[MRUSourceDat]\nCount=100000000\n0=/dats\n");
    EXPECT_EQ(LoadMRU(temp.store(), mru::SourceDat).size(), mru::Capacity) << "a corrupt count is bounded";
}

TEST(Mru, ShorterSaveLeavesHigherKeysIgnored)
{
    TempStore temp;
    SaveMRU(temp.store(), mru::HeaderName, {"x", "y", "z"});
    SaveMRU(temp.store(), mru::HeaderName, {"w"});
    EXPECT_EQ(LoadMRU(temp.store(), mru::HeaderName), QStringList{"w"});
    EXPECT_EQ(temp.store().GetSetting("MRUHeaderName", "2", ""), "z");
}

TEST(Mru, AddingToAListWhoseFirstEntryIsEmptyReplacesIt)
{
    TempStore temp;
    temp.writeFileText("[MRUSaveTo]\nCount=3\n0=\n1=/b\n2=/c\n");
    AddToMRU(temp.store(), mru::SaveTo, "/a");
    EXPECT_EQ(LoadMRU(temp.store(), mru::SaveTo), (QStringList{"/a", "/b", "/c"}));
}
