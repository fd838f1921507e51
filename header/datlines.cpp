#include "datlines.h"

#include <cstring>

namespace quillon {

namespace {

constexpr qint64 BlockSize = 1 << 20;

const char* findByte(const char* from, const char* to, char byte)
{
    return static_cast<const char*>(std::memchr(from, byte, static_cast<size_t>(to - from)));
}

}  // namespace

DatLineReader::DatLineReader(const QString& path) : file_(path)
{
    if (!file_.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        failed_ = true;
    buffer_.reserve(BlockSize * 2);
}

// Moves the unread tail to the front and reads the next block behind it. False when nothing more
// could be read.
bool DatLineReader::fill()
{
    if (endOfFile_ || failed_)
        return false;
    buffer_.remove(0, position_);
    position_ = 0;
    const qsizetype kept = buffer_.size();
    buffer_.resize(kept + BlockSize);
    const qint64 got = file_.read(buffer_.data() + kept, BlockSize);
    buffer_.resize(kept + (got > 0 ? got : 0));
    if (got <= 0) {
        endOfFile_ = true;
        failed_ = failed_ || got < 0;
        return false;
    }
    return true;
}

bool DatLineReader::readLine(QByteArrayView& line)
{
    for (;;) {
        const char* data = buffer_.constData();
        const char* start = data + position_;
        const char* end = data + buffer_.size();
        const char* lineFeed = findByte(start, end, '\n');
        const char* lineEnd = lineFeed ? lineFeed : end;
        const char* carriageReturn = findByte(start, lineEnd, '\r');
        // A CR as the last byte read may be the first half of a CR LF still in the file.
        const bool decidable = carriageReturn && (carriageReturn + 1 < end || endOfFile_);
        if (decidable) {
            line = QByteArrayView(start, carriageReturn - start);
            const bool pair = carriageReturn + 1 < end && carriageReturn[1] == '\n';
            position_ = (carriageReturn - data) + (pair ? 2 : 1);
            return true;
        }
        if (lineFeed && !carriageReturn) {
            line = QByteArrayView(start, lineFeed - start);
            position_ = (lineFeed - data) + 1;
            return true;
        }
        if (!fill()) {
            if (failed_ || position_ == buffer_.size())
                return false;
            if (carriageReturn)
                continue;  // the end of the file settles it now
            line = QByteArrayView(buffer_.constData() + position_, buffer_.size() - position_);
            position_ = buffer_.size();
            return true;
        }
    }
}

}  // namespace quillon
