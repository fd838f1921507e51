// Preloaded into the tool by the tests: flushes to disk fail, as network and quota file systems
// report a full disk only when the data is flushed. Built twice: one where every flush fails,
// one where only flushing a folder does (a file's flush then passes without flushing).
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace {

int failFlush(int fd)
{
#if defined(ONLY_FOLDERS_FAIL)
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISDIR(status.st_mode))
        return 0;
#else
    (void)fd;
#endif
    errno = EIO;
    return -1;
}

} // namespace

extern "C" int fsync(int fd)
{
    return failFlush(fd);
}

extern "C" int fdatasync(int fd)
{
    return failFlush(fd);
}
