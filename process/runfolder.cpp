#include "runfolder.h"

#include "atomicfile.h"
#include "filedescriptor.h"
#include "processrunner.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <utility>
#include <filesystem>
#include <system_error>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace quillon {

namespace {

constexpr char runPrefix[] = "run-";

// Opens `path` and locks it with `operation`; invalid, with errno saying why, when either fails.
FileDescriptor openLocked(const QString& path, int openFlags, int operation)
{
    FileDescriptor descriptor(::open(QFile::encodeName(path).constData(), openFlags | O_CLOEXEC, 0600));
    if (descriptor.valid() && ::flock(descriptor.get(), operation) != 0)
        descriptor.reset();  // errno still says why
    return descriptor;
}

// Making a run folder and locking it are two steps; the root's own lock keeps the start-up
// clean-up of another instance from finding a new folder in between and taking it for a
// leftover.
FileDescriptor lockRoot(const QString& root)
{
    return openLocked(root + QStringLiteral("/runs.lock"), O_RDWR | O_CREAT, LOCK_EX);
}

// The folder opened and locked by this process; invalid when another process holds it.
FileDescriptor lockFolder(const QString& folder)
{
    return openLocked(folder, O_RDONLY | O_DIRECTORY | O_NOFOLLOW, LOCK_EX | LOCK_NB);
}

}  // namespace

QString RunFoldersRoot()
{
    return XdgBaseFolder("XDG_CACHE_HOME", ".cache") + QStringLiteral("/Quillon");
}

Result<std::unique_ptr<RunFolder>> RunFolder::create()
{
    using Created = Result<std::unique_ptr<RunFolder>>;
    const QString root = RunFoldersRoot();
    std::error_code error;
    std::filesystem::create_directories(QFile::encodeName(root).toStdString(), error);
    if (error)
        return Created::failure(
            QStringLiteral("Cannot create the folder %1: %2").arg(root, QString::fromStdString(error.message())));
    const FileDescriptor rootLock = lockRoot(root);
    if (!rootLock.valid())
        return Created::failure(QStringLiteral("Cannot lock %1: %2").arg(root, SystemReason(errno)));
    QByteArray pattern = QFile::encodeName(root + u'/' + QLatin1String(runPrefix) + QStringLiteral("XXXXXX"));
    if (::mkdtemp(pattern.data()) == nullptr)
        return Created::failure(QStringLiteral("Cannot create a folder in %1: %2").arg(root, SystemReason(errno)));
    const QString path = QFile::decodeName(pattern);
    FileDescriptor lock = lockFolder(path);
    if (!lock.valid()) {
        const QString whyNot = QStringLiteral("Cannot lock %1: %2").arg(path, SystemReason(errno));
        QDir(path).removeRecursively();
        return Created::failure(whyNot);
    }
    return std::unique_ptr<RunFolder>(new RunFolder(path, std::move(lock)));
}

RunFolder::RunFolder(QString path, FileDescriptor lock)
    : path_(std::move(path)), lock_(std::move(lock))
{
}

RunFolder::~RunFolder()
{
    // Removed while still locked, so that no clean-up of another instance races with it.
    QDir(path_).removeRecursively();
}

void RemoveLeftoverRunFolders()
{
    const QString root = RunFoldersRoot();
    if (!QFile::exists(root))
        return;
    const FileDescriptor rootLock = lockRoot(root);
    if (!rootLock.valid())
        return;
    const QStringList folders = QDir(root).entryList({QLatin1String(runPrefix) + u'*'},
                                                     QDir::Dirs | QDir::NoSymLinks | QDir::Hidden);
    for (const QString& name : folders) {
        const QString folder = root + u'/' + name;
        if (const FileDescriptor lock = lockFolder(folder); lock.valid())
            QDir(folder).removeRecursively();
    }
}

}  // namespace quillon
