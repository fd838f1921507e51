#include "logpane.h"

#include <QPlainTextEdit>

#include <gtest/gtest.h>

namespace quillon {
namespace {

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
