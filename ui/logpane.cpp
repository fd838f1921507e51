#include "logpane.h"

#include <QPlainTextEdit>
#include <QTextCursor>

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

}  // namespace quillon
