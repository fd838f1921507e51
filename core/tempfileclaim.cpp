#include "tempfileclaim.h"

#include "atomicfile.h"
#include "filedescriptor.h"
#include "privatefolder.h"
#include "utilities.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillon {

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int TagLength = 8;
constexpr int NameAttempts = 100;
const QString LockPrefix = QStringLiteral("quillon-");
const QString LockSuffix = QStringLiteral(".lock");
const QString PendingSuffix = QStringLiteral(".pending");
// A list longer than this was not written by Quillon.
constexpr qint64 LongestPendingList = 1 << 20;

QString claimedTag;
// The files this process is writing beside the user's files, and the lock that guards them.
QMutex pendingLock;
QStringList pendingFiles;

QString randomTag()
{
    static const char alphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    QString tag;
    for (int index = 0; index < TagLength; ++index)
        tag += QLatin1Char(alphabet[QRandomGenerator::global()->bounded(int(sizeof alphabet - 1))]);
    return tag;
}

QString lockPathFor(const QString& tag)
{
    return GetTempFolder() + LockPrefix + tag + LockSuffix;
}

QString pendingListFor(const QString& tag)
{
    return GetTempFolder() + LockPrefix + tag + PendingSuffix;
}

FileDescriptor createLock(const QString& path)
{
    return FileDescriptor(::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
}

// A file of this user's own, regular: anything else in its place is not ours to touch.
bool isOwnRegularFile(const QByteArray& path)
{
    struct stat status {};
    return ::lstat(path.constData(), &status) == 0 && S_ISREG(status.st_mode) && status.st_uid == ::geteuid();
}

// Only the names GetTempFileName makes for this tag.
bool isTempFileOf(const QString& name, const QString& tag)
{
    static const QRegularExpression pattern(QStringLiteral("^(?:dat|cmh)([a-z0-9]{%1})[A-Za-z0-9]{6}\\.tmp$").arg(TagLength));
    const QRegularExpressionMatch match = pattern.match(name);
    return match.hasMatch() && match.captured(1) == tag;
}

int removeFilesOf(const QString& tag)
{
    const QDir folder(GetTempFolder());
    int removed = 0;
    for (const QString& name : folder.entryList({QStringLiteral("dat*.tmp"), QStringLiteral("cmh*.tmp")}, QDir::Files | QDir::Hidden))
        if (isTempFileOf(name, tag) && isOwnRegularFile(QFile::encodeName(folder.filePath(name)))
            && QFile::remove(folder.filePath(name)))
            ++removed;
    return removed;
}

// The list is written whole each time; names are separated by NUL, which no name holds. It is
// only ever written as a regular file of our own, never through a link or into a pipe.
void writePendingList()
{
    const QString list = pendingListFor(claimedTag);
    if (pendingFiles.isEmpty()) {
        QFile::remove(list);
        return;
    }
    QByteArray names;
    for (const QString& path : std::as_const(pendingFiles))
        names += QFile::encodeName(path) + '\0';
    const int flags = O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
    const FileDescriptor fd(::open(QFile::encodeName(list).constData(), flags, 0600));
    struct stat status {};
    QFile file;
    // Without the list a kill leaves the files behind, as it always would: nothing else is lost.
    if (fd.valid() && ::fstat(fd.get(), &status) == 0 && S_ISREG(status.st_mode) && status.st_uid == ::geteuid()
        && ::ftruncate(fd.get(), 0) == 0 && file.open(fd.get(), QIODevice::WriteOnly, QFileDevice::DontCloseHandle))
        file.write(names);
}

// The names a killed instance listed, from a list of this user's own.
QList<QByteArray> readPendingList(const QString& list)
{
    const Result<FileDescriptor> fd = OpenRegularFile(list, O_RDONLY, FileOwner::ThisUser);
    QFile file;
    if (!fd || !file.open(fd->get(), QIODevice::ReadOnly, QFileDevice::DontCloseHandle))
        return {};
    QList<QByteArray> names = file.read(LongestPendingList).split('\0');
    names.removeAll(QByteArray());
    return names;
}

// A listed file and the temporary files made from its name, "<name>.XXXXXX": libzip writes a
// new archive into such a file beside the one it rewrites before renaming it over that one.
QStringList fileWithTemporariesOf(const QString& path)
{
    static const QRegularExpression temporarySuffix(QStringLiteral("^\\.[A-Za-z0-9]{6}$"));
    const QFileInfo listed(path);
    QStringList files{path};
    const QStringList siblings = listed.dir().entryList({listed.fileName() + QStringLiteral(".*")},
                                                        QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& sibling : siblings)
        if (temporarySuffix.match(QStringView(sibling).mid(listed.fileName().size())).hasMatch())
            files.append(listed.dir().filePath(sibling));
    return files;
}

// Only files of this user with a name AtomicFile makes go, whatever the list says.
int removePendingFilesOf(const QString& tag)
{
    const QString list = pendingListFor(tag);
    int removed = 0;
    for (const QByteArray& name : readPendingList(list)) {
        const QString path = QFile::decodeName(name);
        if (!IsNameBeside(QFileInfo(path).fileName()))
            continue;
        for (const QString& file : fileWithTemporariesOf(path)) {
            const QByteArray native = QFile::encodeName(file);
            if (isOwnRegularFile(native) && ::unlink(native.constData()) == 0)
                ++removed;
        }
    }
    QFile::remove(list);
    return removed;
}

}  // namespace

void NotePendingFile(const QString& path)
{
    const QMutexLocker locked(&pendingLock);
    if (claimedTag.isEmpty())
        return;
    pendingFiles.append(path);
    writePendingList();
}

void ForgetPendingFile(const QString& path)
{
    const QMutexLocker locked(&pendingLock);
    if (claimedTag.isEmpty() || pendingFiles.removeAll(path) == 0)
        return;
    writePendingList();
}

TempFileClaim::TempFileClaim()
{
    // Without a folder of our own there is no claim: files then carry no tag and are never swept.
    if (!PreparePrivateFolder())
        return;
    for (int attempt = 0; attempt < NameAttempts && !lock_.valid(); ++attempt) {
        const QString tag = randomTag();
        lockPath_ = lockPathFor(tag);
        lock_ = createLock(lockPath_);
        if (!lock_.valid() && errno != EEXIST)
            break;
        if (!lock_.valid())
            continue;
        // Another start sweeping leftovers may hold the new file for a moment: take another tag.
        if (::flock(lock_.get(), LOCK_EX | LOCK_NB) != 0) {
            QFile::remove(lockPath_);
            lock_.reset();
            continue;
        }
        claimedTag = tag;
    }
}

TempFileClaim::~TempFileClaim()
{
    if (!lock_.valid())
        return;
    {
        const QMutexLocker locked(&pendingLock);
        QFile::remove(pendingListFor(claimedTag));
        pendingFiles.clear();
        claimedTag.clear();
    }
    QFile::remove(lockPath_);
}

QString TempFileClaim::currentTag()
{
    return claimedTag;
}

int RemoveLeftoverTempFiles()
{
    static const QRegularExpression lockName(QStringLiteral("^quillon-([a-z0-9]{%1})\\.lock$").arg(TagLength));
    if (!PreparePrivateFolder())
        return 0;
    const QDir folder(GetTempFolder());
    int removed = 0;
    for (const QString& name : folder.entryList({LockPrefix + u'*' + LockSuffix}, QDir::Files | QDir::Hidden)) {
        const QRegularExpressionMatch match = lockName.match(name);
        if (!match.hasMatch() || match.captured(1) == claimedTag)
            continue;
        // Only a lock of our own, and a running instance's cannot be taken.
        const Result<FileDescriptor> lock = OpenRegularFile(folder.filePath(name), O_RDWR, FileOwner::ThisUser);
        if (lock && ::flock(lock->get(), LOCK_EX | LOCK_NB) == 0) {
            removed += removeFilesOf(match.captured(1));
            removed += removePendingFilesOf(match.captured(1));
            if (QFile::remove(folder.filePath(name)))
                ++removed;
        }
    }
    return removed;
}

}  // namespace quillon
