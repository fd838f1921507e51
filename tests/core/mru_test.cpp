#include "mru.h"
#include "tempstore.h"

#include <gtest/gtest.h>

using namespace quillon;
using namespace Qt::Literals::StringLiterals;
using quillon::testing::TempStore;

TEST(Mru, MostRecentFirstWithoutDuplicatesUpToFifteen)
{
    TempStore temp;
    for (const QString& value : {u"A"_s, u"B"_s, u"A"_s, u"a"_s})
        AddToMRU(temp.store(), mru::DestFile, value);
    EXPECT_EQ(LoadMRU(temp.store(), mru::DestFile), (QStringList{u"a"_s, u"A"_s, u"B"_s})) << "matching is exact";

    QStringList newestFirst;
    for (int index = 1; index <= 16; ++index) {
        AddToMRU(temp.store(), mru::SaveTo, QString::number(index));
        newestFirst.prepend(QString::number(index));
    }
    newestFirst.removeLast();
    EXPECT_EQ(LoadMRU(temp.store(), mru::SaveTo), newestFirst);
    EXPECT_EQ(temp.store().GetSetting(u"MRUSaveTo"_s, u"Count"_s, {}), u"15"_s);
    EXPECT_EQ(temp.store().GetSetting(u"MRUSaveTo"_s, u"0"_s, {}), u"16"_s);
}

TEST(Mru, CountBoundsEveryRead)
{
    TempStore temp;
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
}

TEST(Mru, AddingToAListWhoseFirstEntryIsEmptyReplacesIt)
{
    TempStore temp;
    temp.writeFileText("[MRUSaveTo]\nCount=3\n0=\n1=/b\n2=/c\n");
    AddToMRU(temp.store(), mru::SaveTo, u"/a"_s);
    EXPECT_EQ(LoadMRU(temp.store(), mru::SaveTo), (QStringList{u"/a"_s, u"/b"_s, u"/c"_s}));
}
