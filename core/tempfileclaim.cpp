#include "tempfileclaim.h"

#include "utilities.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace quillon {

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int TagLength = 8;
constexpr int NameAttempts = 100;
const QString LockPrefix = QStringLiteral("quillon-");
const QString LockSuffix = QStringLiteral(".lock");

QString claimedTag;

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

int openLock(const QString& path, int flags)
{
    return ::open(QFile::encodeName(path).constData(), flags | O_CLOEXEC, 0600);
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
        if (isTempFileOf(name, tag) && QFile::remove(folder.filePath(name)))
            ++removed;
    return removed;
}

}  // namespace

TempFileClaim::TempFileClaim()
{
    for (int attempt = 0; attempt < NameAttempts && fd_ < 0; ++attempt) {
        const QString tag = randomTag();
        lockPath_ = lockPathFor(tag);
        fd_ = openLock(lockPath_, O_RDWR | O_CREAT | O_EXCL);
        if (fd_ < 0 && errno != EEXIST)
            break;  // no lock can be made here: the files then carry no tag and are never swept
        if (fd_ < 0)
            continue;
        // Another start sweeping leftovers may hold the new file for a moment: take another tag.
        if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
            QFile::remove(lockPath_);
            ::close(fd_);
            fd_ = -1;
            continue;
        }
        claimedTag = tag;
    }
}

TempFileClaim::~TempFileClaim()
{
    if (fd_ < 0)
        return;
    QFile::remove(lockPath_);
    ::close(fd_);
    claimedTag.clear();
}

QString TempFileClaim::currentTag()
{
    return claimedTag;
}

int RemoveLeftoverTempFiles()
{
    static const QRegularExpression lockName(QStringLiteral("^quillon-([a-z0-9]{%1})\\.lock$").arg(TagLength));
    const QDir folder(GetTempFolder());
    int removed = 0;
    for (const QString& name : folder.entryList({LockPrefix + u'*' + LockSuffix}, QDir::Files | QDir::Hidden)) {
        const QRegularExpressionMatch match = lockName.match(name);
        if (!match.hasMatch() || match.captured(1) == claimedTag)
            continue;
        // Another user's lock cannot be opened; a running instance's cannot be taken.
        const int fd = openLock(folder.filePath(name), O_RDWR);
        if (fd < 0)
            continue;
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            removed += removeFilesOf(match.captured(1));
            if (QFile::remove(folder.filePath(name)))
                ++removed;
        }
        ::close(fd);
    }
    return removed;
}

}  // namespace quillon
