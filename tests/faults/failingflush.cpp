// Preloaded into a test program to play a folder on a file system that reports a full disk only
// when the data reaches it, as network and quota file systems do: fsync and fdatasync of a file
// under the folder named by FAILING_FLUSH_FOLDER fail with EIO; other files flush as usual.
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

#include <dlfcn.h>
#include <unistd.h>

namespace {

bool underFailingFolder(int fd)
{
    const char* folder = std::getenv("FAILING_FLUSH_FOLDER");
    if (!folder || !*folder)
        return false;
    char path[PATH_MAX];
    const ssize_t length = ::readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), path, sizeof path);
    const size_t folderLength = std::strlen(folder);
    return length > 0 && static_cast<size_t>(length) > folderLength && std::strncmp(path, folder, folderLength) == 0
        && path[folderLength] == '/';
}

int flushOrFail(const char* flush, int fd)
{
    if (underFailingFolder(fd)) {
        errno = EIO;
        return -1;
    }
    const auto next = reinterpret_cast<int (*)(int)>(::dlsym(RTLD_NEXT, flush));
    return next ? next(fd) : 0;
}

}  // namespace

extern "C" {

// Looked up by the test program to tell that the shim is in place.
int quillonFailingFlushLoaded();

int quillonFailingFlushLoaded()
{
    return 1;
}

int fsync(int fd)
{
    return flushOrFail("fsync", fd);
}

int fdatasync(int fd)
{
    return flushOrFail("fdatasync", fd);
}

}
