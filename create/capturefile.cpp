#include "capturefile.h"

#include "atomicfile.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>

#include <fcntl.h>  // splice
#include <sys/stat.h>
#include <unistd.h>

namespace quillon {

namespace {

constexpr size_t SpliceBlock = 1 << 20;

Outcome systemFailure()
{
    return Outcome::failure(SystemReason(errno));
}

// The permissions of the file being replaced, or those a new file gets from the user's umask.
mode_t permissionsFor(const QString& target)
{
    struct stat existing {};
    if (::stat(QFile::encodeName(target).constData(), &existing) == 0)
        return existing.st_mode & 07777;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

}  // namespace

CaptureFile::CaptureFile(const QString& destination) : target_(ResolveLinks(destination)) {}

CaptureFile::~CaptureFile()
{
    if (fd_ >= 0)
        ::close(fd_);
    if (!committed_ && !path_.isEmpty())
        ::unlink(QFile::encodeName(path_).constData());
}

Outcome CaptureFile::open()
{
    const QFileInfo target(target_);
    QByteArray name = QFile::encodeName(target.absolutePath() + "/." + target.fileName() + ".XXXXXX");
    fd_ = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd_ < 0)
        return systemFailure();
    path_ = QFile::decodeName(name);
    if (::fchmod(fd_, permissionsFor(target_)) != 0)
        return systemFailure();
    return Outcome::success();
}

Outcome CaptureFile::write(QByteArrayView bytes)
{
    while (!bytes.isEmpty()) {
        const ssize_t written = ::write(fd_, bytes.data(), static_cast<size_t>(bytes.size()));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return written < 0 ? systemFailure() : Outcome::failure(SystemReason(ENOSPC));
        bytes = bytes.sliced(written);
        size_ += written;
    }
    return Outcome::success();
}

// The kernel moves the pipe's pages into the file without a copy through Quillon.
Outcome CaptureFile::moveFromPipe(int pipeFd, qint64 limit, qint64& moved)
{
    if (spliceUnsupported_)
        return copyFromPipe(pipeFd, limit, moved);
    for (qint64 taken = 0; taken < limit;) {
        const ssize_t got = ::splice(pipeFd, nullptr, fd_, nullptr, SpliceBlock, SPLICE_F_MOVE | SPLICE_F_NONBLOCK);
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
    QByteArray buffer(SpliceBlock, Qt::Uninitialized);
    for (qint64 taken = 0; taken < limit;) {
        const ssize_t got = ::read(pipeFd, buffer.data(), static_cast<size_t>(buffer.size()));
        if (got == 0 || (got < 0 && errno == EAGAIN))
            break;
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return systemFailure();
        if (const Outcome written = write(QByteArrayView(buffer).first(got)); !written)
            return written;
        taken += got;
        moved += got;
    }
    return Outcome::success();
}

QByteArray CaptureFile::readBack(qint64 offset, qint64 length) const
{
    QByteArray bytes(length, Qt::Uninitialized);
    const ssize_t got = ::pread(fd_, bytes.data(), static_cast<size_t>(length), offset);
    bytes.resize(got > 0 ? got : 0);
    return bytes;
}

Outcome CaptureFile::commit()
{
    const bool replacing = QFileInfo::exists(target_);
    if (replacing && ::fsync(fd_) != 0)
        return systemFailure();
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0)
        return systemFailure();
    if (::rename(QFile::encodeName(path_).constData(), QFile::encodeName(target_).constData()) != 0)
        return systemFailure();
    committed_ = true;
    return Outcome::success();
}

}  // namespace quillon
