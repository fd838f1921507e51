#include "capturefile.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillon {

namespace {

QString systemReason(int error)
{
    return QString::fromStdString(std::generic_category().message(error));
}

Outcome systemFailure()
{
    return Outcome::failure(systemReason(errno));
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

QString resolvedTarget(const QString& destination)
{
    const QFileInfo info(destination);
    return info.isSymLink() ? info.symLinkTarget() : destination;
}

}  // namespace

CaptureFile::CaptureFile(const QString& destination) : target_(resolvedTarget(destination)) {}

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
            return written < 0 ? systemFailure() : Outcome::failure(systemReason(ENOSPC));
        bytes = bytes.sliced(written);
    }
    return Outcome::success();
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
