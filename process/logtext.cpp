#include "logtext.h"

#include <QPlainTextEdit>
#include <QTextCursor>

#include <utility>

namespace quillon {

void AppendLogText(QPlainTextEdit* txtlog, const QString& text)
{
    // Insert at the end even when the user has put the caret elsewhere in the pane.
    txtlog->moveCursor(QTextCursor::End);
    txtlog->insertPlainText(text);
    txtlog->moveCursor(QTextCursor::End);
}

LogSink logPaneSink(QPlainTextEdit* txtlog)
{
    return [txtlog](const QString& text) { AppendLogText(txtlog, text); };
}

QString LogTextDecoder::decode(const QByteArray& chunk)
{
    QString text = decoder_.decode(chunk);
    if (heldCarriageReturn_)
        text.prepend(u'\r');
    // The pane takes a lone CR as a line break of its own, so a CR whose LF may still be
    // coming waits for the next chunk.
    heldCarriageReturn_ = text.endsWith(u'\r');
    if (heldCarriageReturn_)
        text.chop(1);
    return text;
}

QString LogTextDecoder::finish()
{
    const bool held = std::exchange(heldCarriageReturn_, false);
    return held ? QStringLiteral("\r") : QString();
}

}  // namespace quillon
