#pragma once

#include "atomicfile.h"
#include "outcome.h"

#include <QByteArray>
#include <QString>

namespace quillon {

// A new file beside a destination that receives a program's output and takes the destination's
// place only when `commit` is called after every write succeeded. Until then, and whenever it
// is given up, the destination stays as it was; the file is removed unless committed. Failures
// name the file and give the system's reason.
class CaptureFile {
public:
    // A destination that is a symbolic link has the file it points to replaced; the link stays.
    explicit CaptureFile(const QString& destination) : file_(destination) {}

    Outcome open() { return file_.open(); }
    // Moves what a pipe holds into the file, up to about `limit` bytes, without waiting for more;
    // `moved` grows by what was moved. A full disk or a file size limit is a failure with its
    // reason. The pipe's read end must be non-blocking.
    Outcome moveFromPipe(int pipeFd, qint64 limit, qint64& moved);
    // Bytes written so far, read back from the file.
    QByteArray readBack(qint64 offset, qint64 length) const;
    qint64 size() const { return size_; }
    // Renames the file over the destination. A destination that exists is replaced only after
    // the new content has reached the disk (fsync), so that a crash cannot leave an empty file
    // where a good DAT was; a new one is not waited for.
    Outcome commit() { return file_.commit(AtomicFile::Flush::OnlyWhenReplacing); }

private:
    Outcome copyFromPipe(int pipeFd, qint64 limit, qint64& moved);
    Outcome systemFailure() const;

    AtomicFile file_;
    qint64 size_ = 0;
    bool spliceUnsupported_ = false;
    QByteArray copyBuffer_;  // where splicing is unsupported; kept from one call to the next
};

}  // namespace quillon
