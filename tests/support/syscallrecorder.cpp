#include "syscallrecorder.h"

#include <QFile>
#include <QMutex>

#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillon::testing {
namespace {

QMutex recordLock;
bool recording = false;
QStringList recorded;

bool isRecording()
{
    const QMutexLocker locked(&recordLock);
    return recording;
}

// The event is only made while recording: a call outside it costs nothing but the check.
template <class Describe>
void record(const Describe& describe)
{
    if (!isRecording())
        return;
    const QString event = describe();
    const QMutexLocker locked(&recordLock);
    recorded.append(event);
}

template <class Function>
Function* next(const char* name)
{
    return reinterpret_cast<Function*>(dlsym(RTLD_NEXT, name));
}

QString folderOf(int fd)
{
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISDIR(status.st_mode))
        return {};
    char target[4096];
    const ssize_t length = ::readlink(QByteArray("/proc/self/fd/" + QByteArray::number(fd)).constData(), target, sizeof target);
    return length > 0 ? QFile::decodeName(QByteArray(target, length)) : QString();
}

}  // namespace

SyscallRecording::SyscallRecording()
{
    const QMutexLocker locked(&recordLock);
    recorded.clear();
    recording = true;
}

SyscallRecording::~SyscallRecording()
{
    const QMutexLocker locked(&recordLock);
    recording = false;
}

QStringList SyscallRecording::events() const
{
    const QMutexLocker locked(&recordLock);
    return recorded;
}

}  // namespace quillon::testing

using quillon::testing::record;

extern "C" int fsync(int fd)
{
    static auto* const real = quillon::testing::next<int(int)>("fsync");
    const int result = real(fd);
    if (quillon::testing::isRecording())
        if (const QString folder = quillon::testing::folderOf(fd); !folder.isEmpty())
            record([&folder]() -> QString { return QStringLiteral("fsync ") + folder; });
    return result;
}

extern "C" int rename(const char* from, const char* to)
{
    static auto* const real = quillon::testing::next<int(const char*, const char*)>("rename");
    const int result = real(from, to);
    record([to]() -> QString { return QStringLiteral("rename ") + QFile::decodeName(to); });
    return result;
}

extern "C" int unlink(const char* path)
{
    static auto* const real = quillon::testing::next<int(const char*)>("unlink");
    const int result = real(path);
    record([path]() -> QString { return QStringLiteral("unlink ") + QFile::decodeName(path); });
    return result;
}
