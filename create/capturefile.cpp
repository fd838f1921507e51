#include "capturefile.h"

#include <cerrno>

#include <fcntl.h>  // splice
#include <unistd.h>

namespace quillon {

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr size_t SpliceBlock = 1 << 20;

}  // namespace

Outcome CaptureFile::systemFailure() const
{
    return Outcome::failure(file_.finalPath() + u": "_s + SystemReason(errno));
}

// The kernel moves the pipe's pages into the file without a copy through Quillon.
Outcome CaptureFile::moveFromPipe(int pipeFd, qint64 limit, qint64& moved)
{
    if (spliceUnsupported_)
        return copyFromPipe(pipeFd, limit, moved);
    for (qint64 taken = 0; taken < limit;) {
        const ssize_t got =
            ::splice(pipeFd, nullptr, file_.descriptor(), nullptr, SpliceBlock, SPLICE_F_MOVE | SPLICE_F_NONBLOCK);
        if (got > 0) {
            taken += got;
            moved += got;
            size_ += got;
        } else if (got == 0 || errno == EAGAIN) {
            break;
        } else if (errno == EINVAL && size_ == 0) {
            spliceUnsupported_ = true;  // a file system that cannot take spliced pages
            return copyFromPipe(pipeFd, limit, moved);
        } else if (errno != EINTR) {
            return systemFailure();
        }
    }
    return Outcome::success();
}

Outcome CaptureFile::copyFromPipe(int pipeFd, qint64 limit, qint64& moved)
{
    if (copyBuffer_.isEmpty())
        copyBuffer_.resize(SpliceBlock);
    for (qint64 taken = 0; taken < limit;) {
        const ssize_t got = ::read(pipeFd, copyBuffer_.data(), static_cast<size_t>(copyBuffer_.size()));
        if (got == 0 || (got < 0 && errno == EAGAIN))
            break;
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return systemFailure();
        if (const Outcome written = file_.write(QByteArrayView(copyBuffer_).first(got)); !written)
            return written;
        taken += got;
        moved += got;
        size_ += got;
    }
    return Outcome::success();
}

QByteArray CaptureFile::readBack(qint64 offset, qint64 length) const
{
    QByteArray bytes(length, Qt::Uninitialized);
    const ssize_t got = ::pread(file_.descriptor(), bytes.data(), static_cast<size_t>(length), offset);
    bytes.resize(got > 0 ? got : 0);
    return bytes;
}

}  // namespace quillon
