#include "filedescriptor.h"

#include "atomicfile.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>

namespace quillon {

using namespace Qt::Literals::StringLiterals;

Result<FileDescriptor> OpenRegularFile(const QString& path, int flags, FileOwner owner)
{
    using Opened = Result<FileDescriptor>;
    const int extra = O_NONBLOCK | O_CLOEXEC | (owner == FileOwner::ThisUser ? O_NOFOLLOW : 0);
    FileDescriptor file(::open(QFile::encodeName(path).constData(), flags | extra));
    struct stat status {};
    if (!file.valid() || ::fstat(file.get(), &status) != 0)
        return Opened::failure(path + u": "_s + SystemReason(errno));
    if (!S_ISREG(status.st_mode))
        return Opened::failure(path + (S_ISDIR(status.st_mode) ? u": "_s + SystemReason(EISDIR) : u": not a regular file"_s));
    if (owner == FileOwner::ThisUser && status.st_uid != ::geteuid())
        return Opened::failure(path + u": the file belongs to another user"_s);
    // Reads and writes of a regular file never wait; the flag only kept the open from waiting.
    ::fcntl(file.get(), F_SETFL, ::fcntl(file.get(), F_GETFL) & ~O_NONBLOCK);
    return file;
}

}  // namespace quillon
