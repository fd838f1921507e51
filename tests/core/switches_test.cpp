#include "switches.h"
#include "tempstore.h"

#include <gtest/gtest.h>

using namespace quillon;
using namespace Qt::Literals::StringLiterals;

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
        quillon::testing::TempStore temp;
        temp.writeFileText("[Options]\n" + stored);
        EXPECT_EQ(BuildDiffSwitches(temp.store()), expected) << stored.toStdString();
    }
}
