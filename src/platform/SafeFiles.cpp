#include "platform/SafeFiles.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace safefiles {

namespace {

// openat2 with RESOLVE_NO_SYMLINKS refuses a link anywhere on the path; kernels without it
// still refuse one in the last part.
int openWithoutLinks(const QByteArray& path, int flags)
{
    struct open_how how = {};
    how.flags = quint64(flags);
    how.resolve = RESOLVE_NO_SYMLINKS;
    const long fd = ::syscall(SYS_openat2, AT_FDCWD, path.constData(), &how, sizeof how);
    if (fd >= 0 || (errno != ENOSYS && errno != EPERM))
        return int(fd);
    return ::open(path.constData(), flags | O_NOFOLLOW);
}

} // namespace

int openRegularFile(const QString& path, qint64 maxBytes, Links links)
{
    if (path.isEmpty())
        return -1;
    // O_NONBLOCK: opening a FIFO without a writer would wait forever; a regular file
    // reads the same with or without it.
    const int flags = O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
    const QByteArray name = QFile::encodeName(path);
    const int fd = links == Links::Follow ? ::open(name.constData(), flags) : openWithoutLinks(name, flags);
    if (fd < 0)
        return -1;
    struct stat st = {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || (maxBytes >= 0 && st.st_size > maxBytes)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

std::optional<QByteArray> readRegularFile(const QString& path, qint64 maxBytes, Links links)
{
    const int fd = openRegularFile(path, maxBytes, links);
    if (fd < 0)
        return std::nullopt;
    struct stat st = {};
    QFile file;
    if (::fstat(fd, &st) != 0 || !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return std::nullopt;
    }
    // What the file held at the check, and a byte more: one that grew past the bound since
    // then is refused.
    QByteArray bytes = file.read(std::min<qint64>(st.st_size, maxBytes) + 1);
    if (bytes.size() > maxBytes || file.error() != QFileDevice::NoError)
        return std::nullopt;
    return bytes;
}

bool isRegularFileWithin(const QString& path, qint64 maxBytes)
{
    struct stat st = {};
    return !path.isEmpty() && ::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISREG(st.st_mode) &&
           st.st_size <= maxBytes;
}

bool renameWithoutReplacing(const QString& from, const QString& to)
{
    const QByteArray source = QFile::encodeName(from);
    const QByteArray target = QFile::encodeName(to);
    if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    // File systems without the flag: a second name fails when the target exists, then
    // the first name goes.
    if (::link(source.constData(), target.constData()) != 0)
        return false;
    ::unlink(source.constData());
    return true;
}

} // namespace safefiles
