#include "logtext.h"

#include <utility>

namespace quillon {

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
