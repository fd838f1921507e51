#include "logtext.h"

#include <QPlainTextEdit>

#include <gtest/gtest.h>

namespace quillon {
namespace {

TEST(LogTextDecoder, ByteByByteGivesSameTextAsWhole)
{
    const QByteArray output = "\xef\xbb\xbf  caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x8e\xae\r\n  end \r";
    LogTextDecoder whole;
    QString expected = whole.decode(output);
    expected += whole.finish();

    LogTextDecoder pieces;
    QString text;
    for (char byte : output)
        text += pieces.decode(QByteArray(1, byte));
    text += pieces.finish();

    EXPECT_EQ(text, QString::fromUtf8(output));
    EXPECT_EQ(text, expected);
}

TEST(AppendLogText, AppendsExactlyAtEndAndMovesCaretThere)
{
    QPlainTextEdit txtlog;
    txtlog.setPlainText(QStringLiteral("earlier\n"));
    txtlog.moveCursor(QTextCursor::Start);

    const LogSink sink = logPaneSink(&txtlog);
    sink(QStringLiteral("  a "));
    sink(QStringLiteral(" b\n"));

    EXPECT_EQ(txtlog.toPlainText(), QStringLiteral("earlier\n  a  b\n"));
    EXPECT_TRUE(txtlog.textCursor().atEnd());
}

TEST(AppendLogText, LineBreakSplitBetweenChunksIsOneBreak)
{
    QPlainTextEdit txtlog;
    LogTextDecoder decoder;
    AppendLogText(&txtlog, decoder.decode("one\r"));
    AppendLogText(&txtlog, decoder.decode("\ntwo"));
    AppendLogText(&txtlog, decoder.finish());

    EXPECT_EQ(txtlog.toPlainText(), QStringLiteral("one\ntwo"));
}

}  // namespace
}  // namespace quillon
