#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QFile>

namespace quillon {

// Reads a DAT one line at a time through a block buffer, so that only the current block and
// line are in memory. A line ends at CR LF, at a CR alone or at an LF alone; the line end is
// not part of the line, and a last line without one still counts.
class DatLineReader {
public:
    explicit DatLineReader(const QString& path);

    // The next line, valid until the next call; false at the end of the file or on an error.
    bool readLine(QByteArrayView& line);
    bool failed() const { return failed_; }
    // Why the file could not be opened or read, in the system's words.
    QString errorString() const { return file_.errorString(); }

private:
    bool fill();

    QFile file_;
    QByteArray buffer_;
    qsizetype position_ = 0;
    bool endOfFile_ = false;
    bool failed_ = false;
};

}  // namespace quillon
