#include "privatefolder.h"

#include "atomicfile.h"
#include "filedescriptor.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillon {

using namespace Qt::Literals::StringLiterals;

namespace {

// An XDG base folder from its variable, which only counts when it is an absolute path.
QString xdgFolder(const char* variable, const QString& underHome)
{
    const QString folder = qEnvironmentVariable(variable);
    return QDir::isAbsolutePath(folder) ? folder : QDir::homePath() + u'/' + underHome;
}

// A runtime folder of someone else's (root started with a user's environment) is not used:
// what Quillon made there would then stand in that user's way.
bool isOwnFolder(const QString& path)
{
    struct stat status {};
    return ::stat(QFile::encodeName(path).constData(), &status) == 0 && S_ISDIR(status.st_mode)
           && status.st_uid == ::geteuid();
}

QString whyNotPrivate(const struct stat& status)
{
    if (!S_ISDIR(status.st_mode))
        return u"it is not a folder"_s;
    if (status.st_uid != ::geteuid())
        return u"it belongs to another user"_s;
    if ((status.st_mode & 077) != 0)
        return u"other users can enter it"_s;
    return {};
}

}  // namespace

QString PrivateFolderPath()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (QDir::isAbsolutePath(runtime) && isOwnFolder(runtime))
        return QDir::cleanPath(runtime + u"/quillon"_s);
    return QDir::cleanPath(xdgFolder("XDG_CACHE_HOME", u".cache"_s) + u"/Quillon/runtime"_s);
}

Outcome PreparePrivateFolder()
{
    const QString folder = PrivateFolderPath();
    const QByteArray native = QFile::encodeName(folder);
    if (!QDir().mkpath(QFileInfo(folder).path()))
        return Outcome::failure(folder + u": its parent folder cannot be made"_s);
    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST)
        return Outcome::failure(folder + u": "_s + SystemReason(errno));
    // Checked on the folder itself, never on what a link in its place points to.
    const FileDescriptor opened(::open(native.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat status {};
    if (!opened.valid() || ::fstat(opened.get(), &status) != 0)
        return Outcome::failure(folder + u": "_s + (errno == ELOOP || errno == ENOTDIR ? u"it is not a folder"_s : SystemReason(errno)));
    if (const QString why = whyNotPrivate(status); !why.isEmpty())
        return Outcome::failure(folder + u": Quillon keeps its own files only in a folder of yours that nobody else can enter, and "_s + why);
    return Outcome::success();
}

}  // namespace quillon
