#include "logtext.h"

#include <gtest/gtest.h>

TEST(LogTextDecoder, ByteByByteGivesTheSameTextAsWhole)
{
    const QByteArray output = "\xef\xbb\xbf  caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x8e\xae\r\n  end \r";
    quillon::LogTextDecoder pieces;
    QString text;
    for (char byte : output)
        text += pieces.decode(QByteArray(1, byte));
    EXPECT_EQ(text + pieces.finish(), QString::fromUtf8(output));
}
