#include "logtext.h"

#include <gtest/gtest.h>

namespace quillon {

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

}  // namespace quillon
