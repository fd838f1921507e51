#pragma once

#include <QByteArray>
#include <QString>
#include <QStringDecoder>

#include <functional>

namespace quillon {

// Receives the text of a command's output, piece by piece, in the order it was printed.
using LogSink = std::function<void(const QString& text)>;

// Turns output bytes, arriving in chunks of any size, into text for the log pane.
// Pipe reads split the output at arbitrary bytes, so the decoding state is carried from one
// chunk to the next: a UTF-8 character or a CR LF pair split between two chunks is shown as
// one character or one line break, never as replacement characters or an empty line.
class LogTextDecoder {
public:
    QString decode(const QByteArray& chunk);
    // What is held back at the end of the output.
    QString finish();

private:
    QStringDecoder decoder_{QStringDecoder::Utf8};
    bool heldCarriageReturn_ = false;
};

}  // namespace quillon
