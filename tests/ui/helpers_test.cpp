#include "listhittest.h"
#include "logpane.h"
#include "mru.h"
#include "recentcombo.h"
#include "tempstore.h"

#include <QComboBox>
#include <QListWidget>
#include <QPlainTextEdit>

#include <gtest/gtest.h>

namespace quillon {

using namespace Qt::Literals::StringLiterals;

TEST(ListItemFromPoint, FindsTheRowUnderThePointOrNone)
{
    QListWidget list;
    list.addItems({u"a.dat"_s, u"b.dat"_s, u"c.dat"_s});
    list.resize(200, 300);
    list.show();
    const int rowHeight = list.visualItemRect(list.item(0)).height();
    ASSERT_GT(rowHeight, 0);
    EXPECT_EQ(ListItemFromPoint(&list, 10 * twipsPerPixel, (rowHeight + rowHeight / 2) * twipsPerPixel), 1);
    EXPECT_EQ(ListItemFromPoint(&list, 0, (3 * rowHeight + 2) * twipsPerPixel), -1);
}

TEST(LogPane, AppendsExactlyAtTheEndWithALineBreakSplitBetweenChunksAsOne)
{
    QPlainTextEdit txtlog;
    txtlog.setPlainText(u"earlier\n"_s);
    txtlog.moveCursor(QTextCursor::Start);
    const LogSink sink = logPaneSink(&txtlog);
    LogTextDecoder decoder;
    for (const QByteArray& chunk : {QByteArray("  a "), QByteArray(" b\r"), QByteArray("\ntwo")})
        sink(decoder.decode(chunk));
    sink(decoder.finish());

    EXPECT_EQ(txtlog.toPlainText(), u"earlier\n  a  b\ntwo"_s);
    EXPECT_TRUE(txtlog.textCursor().atEnd());
}

TEST(RecentCombo, KeepsTheTypedTextUntilTheWindowIsActiveThenChoosesTheNewest)
{
    testing::TempStore temp;
    QComboBox combo;
    combo.setEditable(true);
    combo.setEditText(u"/typed.dat"_s);
    bool active = false;
    int chosen = 0;
    RecentCombo recent(temp.store(), mru::DestFile, &combo, active, [&chosen] { ++chosen; });

    recent.reload();
    EXPECT_EQ(combo.count(), 0) << "a list never used leaves the combo as it is";
    SaveMRU(temp.store(), mru::DestFile, {u"/a.dat"_s, u"/b.dat"_s});
    recent.reload();
    EXPECT_EQ(combo.count(), 2);
    EXPECT_EQ(combo.currentText(), u"/typed.dat"_s);
    EXPECT_EQ(chosen, 0);

    active = true;
    recent.add(u"/b.dat"_s);
    EXPECT_EQ(LoadMRU(temp.store(), mru::DestFile), (QStringList{u"/b.dat"_s, u"/a.dat"_s}));
    EXPECT_EQ(combo.currentText(), u"/b.dat"_s);
    EXPECT_EQ(chosen, 1);
}

}  // namespace quillon
