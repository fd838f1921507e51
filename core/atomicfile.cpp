#include "atomicfile.h"

#include "filedescriptor.h"
#include "tempfileclaim.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <cerrno>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillon {

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr size_t CopyChunkBytes = 1 << 20;
constexpr int NameAttempts = 100;

QByteArray nativePath(const QString& path)
{
    return QFile::encodeName(path);
}

// Retries after a signal; a short write goes on with the rest.
bool writeFully(int fd, const char* data, size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

ssize_t readSome(int fd, char* data, size_t size)
{
    ssize_t got = 0;
    do
        got = ::read(fd, data, size);
    while (got < 0 && errno == EINTR);
    return got;
}

bool kernelCopyUnsupported(int error)
{
    return error == EXDEV || error == EINVAL || error == ENOSYS || error == EOPNOTSUPP || error == EBADF;
}

// A renamed file survives a crash only once the folder holding its new name is on disk too.
// A file system that cannot flush a folder (EINVAL) keeps no more than it already has.
int flushFolderOf(const QString& path)
{
    const FileDescriptor folder(::open(nativePath(QFileInfo(path).absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder.valid())
        return errno;
    return ::fsync(folder.get()) == 0 || errno == EINVAL ? 0 : errno;
}

Outcome folderFailure(const QString& finalPath, int error)
{
    return Outcome::failure(finalPath + u" is in place, but its folder could not be flushed to disk: "_s + SystemReason(error));
}

}  // namespace

QString SystemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// A link is followed to the file it names, so that the link itself survives the rename.
QString ResolveLinks(const QString& path)
{
    const QFileInfo info(path);
    if (!info.isSymLink())
        return path;
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? info.symLinkTarget() : canonical;
}

QString NameBeside(const QString& finalPath)
{
    const QFileInfo info(finalPath);
    const QString suffix = QString::number(QRandomGenerator::global()->generate(), 36);
    return info.path() + u"/."_s + info.fileName() + u'.' + suffix + u".part"_s;
}

bool IsNameBeside(const QString& fileName)
{
    static const QRegularExpression pattern(u"^\\..+\\.[0-9a-z]{1,7}\\.part$"_s);
    return pattern.match(fileName).hasMatch();
}

Outcome FlushAndRename(const QString& written, const QString& finalPath)
{
    const QByteArray from = nativePath(written);
    FileDescriptor file(::open(from.constData(), O_RDONLY | O_CLOEXEC));
    int error = file.valid() ? 0 : errno;
    if (file.valid() && ::fsync(file.get()) != 0)
        error = errno;
    file.reset();
    if (error == 0 && ::rename(from.constData(), nativePath(finalPath).constData()) != 0)
        error = errno;
    if (error == 0) {
        const int folderError = flushFolderOf(finalPath);
        return folderError == 0 ? Outcome::success() : folderFailure(finalPath, folderError);
    }
    ::unlink(from.constData());
    return Outcome::failure(finalPath + u": "_s + SystemReason(error));
}

AtomicFile::AtomicFile(const QString& target) : finalPath_(ResolveLinks(target)) {}

AtomicFile::~AtomicFile()
{
    discard();
}

Outcome AtomicFile::failure(const QString& path, int error) const
{
    return Outcome::failure(path + u": "_s + SystemReason(error));
}

Outcome AtomicFile::open()
{
    discard();
    struct stat existing {};
    const bool replacing = ::stat(nativePath(finalPath_).constData(), &existing) == 0;
    if (replacing && S_ISDIR(existing.st_mode))
        return failure(finalPath_, EISDIR);
    // A device or a pipe is written where it is: renaming a file over it would destroy it. A
    // pipe nobody reads is refused at once rather than waited on.
    if (replacing && !S_ISREG(existing.st_mode)) {
        fd_.reset(::open(nativePath(finalPath_).constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC));
        if (!fd_.valid())
            return failure(finalPath_, errno);
        ::fcntl(fd_.get(), F_SETFL, ::fcntl(fd_.get(), F_GETFL) & ~O_NONBLOCK);
        return Outcome::success();
    }
    // A file the user made read-only stays protected, as it would from a write in place.
    if (replacing && ::access(nativePath(finalPath_).constData(), W_OK) != 0)
        return failure(finalPath_, errno);
    // Listed before it exists, so that a kill at any moment leaves nothing the list does not name.
    for (int attempt = 0; attempt < NameAttempts; ++attempt) {
        newPath_ = NameBeside(finalPath_);
        NotePendingFile(newPath_);
        fd_.reset(::open(nativePath(newPath_).constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
        if (fd_.valid())
            break;
        const int error = errno;
        ForgetPendingFile(newPath_);
        errno = error;
        if (error != EEXIST)
            break;
    }
    if (!fd_.valid()) {
        const int error = errno;
        newPath_.clear();
        return failure(finalPath_, error);
    }
    // The replacement keeps the permissions the user gave the file.
    if (replacing && ::fchmod(fd_.get(), existing.st_mode & 07777) != 0) {
        const int error = errno;
        discard();
        return failure(finalPath_, error);
    }
    return Outcome::success();
}

Outcome AtomicFile::write(QByteArrayView bytes)
{
    if (!fd_.valid())
        return failure(finalPath_, EBADF);
    if (!writeFully(fd_.get(), bytes.data(), static_cast<size_t>(bytes.size())))
        return failure(finalPath_, errno);
    return Outcome::success();
}

Outcome AtomicFile::append(const QString& source, const CopyProgress& progress)
{
    // Only a regular file: a pipe or a device could keep the copy waiting, or growing, forever.
    const Result<FileDescriptor> opened = OpenRegularFile(source, O_RDONLY);
    if (!opened)
        return opened.outcome();
    const FileDescriptor& input = *opened;
    struct stat sourceStat {};
    if (::fstat(input.get(), &sourceStat) != 0)
        return failure(source, errno);
    qint64 copied = 0;
    // The kernel copies between files without the bytes passing through here; where it cannot
    // (another kind of file system, a file of /proc), the bytes are read and written.
    for (;;) {
        const ssize_t moved = ::copy_file_range(input.get(), nullptr, fd_.get(), nullptr, CopyChunkBytes, 0);
        if (moved == 0 && copied > 0)
            return Outcome::success();
        if (moved <= 0) {
            if (moved < 0 && copied == 0 && kernelCopyUnsupported(errno))
                break;
            if (moved < 0)
                return failure(errno == EFBIG || errno == ENOSPC || errno == EIO ? finalPath_ : source, errno);
            break;  // nothing at all: a file whose size the system does not know
        }
        copied += moved;
        if (progress && !progress(copied, sourceStat.st_size))
            return Outcome::failure(QStringLiteral("The copy was cancelled."));
    }
    std::vector<char> chunk(CopyChunkBytes);
    for (;;) {
        const ssize_t got = readSome(input.get(), chunk.data(), chunk.size());
        if (got < 0)
            return failure(source, errno);
        if (got == 0)
            return Outcome::success();
        if (Outcome written = write(QByteArrayView(chunk.data(), got)); !written)
            return written;
        copied += got;
        if (progress && !progress(copied, sourceStat.st_size))
            return Outcome::failure(QStringLiteral("The copy was cancelled."));
    }
}

Outcome AtomicFile::setModificationTime(qint64 secondsSinceEpoch)
{
    const timespec times[2] = {{0, UTIME_OMIT}, {static_cast<time_t>(secondsSinceEpoch), 0}};
    if (!fd_.valid() || ::futimens(fd_.get(), times) != 0)
        return failure(finalPath_, fd_.valid() ? errno : EBADF);
    return Outcome::success();
}

Outcome AtomicFile::commit(Flush flush)
{
    if (!fd_.valid())
        return failure(finalPath_, EBADF);
    if (newPath_.isEmpty()) {  // written in place
        const int closeError = fd_.close();
        return closeError == 0 ? Outcome::success() : failure(finalPath_, closeError);
    }
    // Some file systems report a full disk only when the data reaches it, at fsync or close.
    const bool flushes = flush == Flush::Always || ::access(nativePath(finalPath_).constData(), F_OK) == 0;
    if (flushes && ::fsync(fd_.get()) != 0) {
        const int error = errno;
        discard();
        return failure(finalPath_, error);
    }
    int error = fd_.close();
    if (error == 0 && ::rename(nativePath(newPath_).constData(), nativePath(finalPath_).constData()) != 0)
        error = errno;
    if (error != 0) {
        discard();
        return failure(finalPath_, error);
    }
    ForgetPendingFile(newPath_);
    newPath_.clear();
    if (const int folderError = flushes ? flushFolderOf(finalPath_) : 0; folderError != 0)
        return folderFailure(finalPath_, folderError);
    return Outcome::success();
}

void AtomicFile::discard()
{
    fd_.reset();
    if (!newPath_.isEmpty()) {
        ::unlink(nativePath(newPath_).constData());
        ForgetPendingFile(newPath_);
    }
    newPath_.clear();
}

}  // namespace quillon
