#pragma once

#include "logtext.h"

#include <QString>

class QPlainTextEdit;

namespace quillon {

// Appends `text` exactly as given (no new paragraph, no trimming) to the end of the log pane
// and puts the caret at the end, so the pane shows the newest output.
void AppendLogText(QPlainTextEdit* txtlog, const QString& text);

// A sink that appends to the log pane `txtlog`.
LogSink logPaneSink(QPlainTextEdit* txtlog);

}  // namespace quillon
