#include "logpane.h"

#include <QPlainTextEdit>

#include <gtest/gtest.h>

namespace quillon {
namespace {

using namespace Qt::Literals::StringLiterals;

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

}  // namespace
}  // namespace quillon
