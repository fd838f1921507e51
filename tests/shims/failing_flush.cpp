// Preloaded into a program under test to play a file system that reports a full disk only when
// the data reaches it, as network and quota file systems do: fsync and fdatasync of the files
// under the folder named by FAILING_FLUSH_FOLDER fail with EIO, or, with FAILING_FLUSH_ONLY_FOLDER
// set, only the flush of that folder itself. Other files and folders flush as usual.
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

#include <dlfcn.h>
#include <unistd.h>

namespace {

bool flushFails(int fd)
{
    const char* folder = std::getenv("FAILING_FLUSH_FOLDER");
    if (!folder || !*folder)
        return false;
    char path[PATH_MAX];
    const ssize_t length = ::readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), path, sizeof path);
    const size_t folderLength = std::strlen(folder);
    if (length <= 0 || static_cast<size_t>(length) < folderLength || std::strncmp(path, folder, folderLength) != 0)
        return false;
    const bool theFolderItself = static_cast<size_t>(length) == folderLength;
    const bool underTheFolder = !theFolderItself && path[folderLength] == '/';
    return std::getenv("FAILING_FLUSH_ONLY_FOLDER") ? theFolderItself : underTheFolder;
}

int flushOrFail(const char* flush, int fd)
{
    if (flushFails(fd)) {
        errno = EIO;
        return -1;
    }
    const auto next = reinterpret_cast<int (*)(int)>(::dlsym(RTLD_NEXT, flush));
    return next ? next(fd) : 0;
}

}  // namespace

extern "C" {

// Looked up by a test program to tell that the shim is in place.
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
