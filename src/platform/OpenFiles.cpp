#include "platform/OpenFiles.h"

#include <QtGlobal>

#if defined(Q_OS_LINUX)

#include <climits>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace openfiles {
namespace {

bool isNumber(const char* name)
{
    if (!*name)
        return false;
    for (; *name; ++name) {
        if (*name < '0' || *name > '9')
            return false;
    }
    return true;
}

// The access mode of a descriptor, from the "flags:" line of its fdinfo (octal).
bool writableAccess(int fdinfoFolder, const char* fdName)
{
    const int info = ::openat(fdinfoFolder, fdName, O_RDONLY | O_CLOEXEC);
    if (info < 0)
        return false;
    char text[256];
    const ssize_t got = ::read(info, text, sizeof text - 1);
    ::close(info);
    if (got <= 0)
        return false;
    text[got] = '\0';
    const char* flags = std::strstr(text, "flags:");
    if (!flags)
        return false;
    const unsigned long mode = std::strtoul(flags + 6, nullptr, 8) & O_ACCMODE;
    return mode == O_WRONLY || mode == O_RDWR;
}

// The entries of folder `path` below the open folder `at`; null when it cannot be read.
DIR* openFolder(int at, const char* path)
{
    const int fd = ::openat(at, path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    DIR* folder = ::fdopendir(fd);
    if (!folder)
        ::close(fd);
    return folder;
}

// Walks the descriptors of one process; /proc/<pid>/fd/<n> stats as the file it is open on.
bool processWrites(int procFolder, const char* pid, dev_t device, ino_t inode)
{
    char path[NAME_MAX + 16]; // a process folder name and "/fdinfo"
    std::snprintf(path, sizeof path, "%s/fd", pid);
    DIR* fds = openFolder(procFolder, path);
    if (!fds)
        return false; // another user's process, or it has ended
    const int fdFolder = ::dirfd(fds);
    bool writes = false;
    while (const dirent* entry = ::readdir(fds)) {
        struct stat st = {};
        if (!isNumber(entry->d_name) || ::fstatat(fdFolder, entry->d_name, &st, 0) != 0)
            continue;
        if (st.st_dev != device || st.st_ino != inode)
            continue;
        std::snprintf(path, sizeof path, "%s/fdinfo", pid);
        const int fdinfoFolder = ::openat(procFolder, path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fdinfoFolder < 0)
            continue;
        writes = writableAccess(fdinfoFolder, entry->d_name);
        ::close(fdinfoFolder);
        if (writes)
            break;
    }
    ::closedir(fds);
    return writes;
}

bool heldOpenForWriting(dev_t device, ino_t inode)
{
    DIR* processes = openFolder(AT_FDCWD, "/proc");
    if (!processes)
        return false;
    const int procFolder = ::dirfd(processes);
    bool held = false;
    while (const dirent* entry = ::readdir(processes)) {
        if (isNumber(entry->d_name) && processWrites(procFolder, entry->d_name, device, inode)) {
            held = true;
            break;
        }
    }
    ::closedir(processes);
    return held;
}

} // namespace

bool heldOpenForWriting(int fd)
{
    struct stat st = {};
    return fd >= 0 && ::fstat(fd, &st) == 0 && heldOpenForWriting(st.st_dev, st.st_ino);
}

} // namespace openfiles

#else

namespace openfiles {

// Elsewhere only locks and the quiet time tell a writer (see PrintFileLock.h).
bool heldOpenForWriting(int)
{
    return false;
}

} // namespace openfiles

#endif
