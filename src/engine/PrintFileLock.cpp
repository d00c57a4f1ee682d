#include "engine/PrintFileLock.h"

#include <QtGlobal>

#if defined(Q_OS_LINUX)

#include <QByteArray>
#include <QFile>
#include <QList>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace {

// fcntl and OFD locks: ask whether a read lock over the whole file would conflict, which
// only a write lock does. F_OFD_GETLK also sees record locks of this very process.
bool recordWriteLocked(int fd)
{
    struct flock probe = {};
    probe.l_type = F_RDLCK;
    probe.l_whence = SEEK_SET;
    probe.l_start = 0;
    probe.l_len = 0;
    if (fcntl(fd, F_OFD_GETLK, &probe) != 0)
        return false;
    return probe.l_type != F_UNLCK;
}

// flock locks are invisible to fcntl; the kernel lists them in /proc/locks as
// "1: FLOCK  ADVISORY  WRITE 4711 fe:00:123456 0 EOF" (waiters carry "->" and hold nothing).
bool flockWriteLocked(int fd)
{
    struct stat st = {};
    if (fstat(fd, &st) != 0)
        return false;
    const QByteArray id = QByteArray::number(major(st.st_dev), 16).rightJustified(2, '0') + ':' +
                          QByteArray::number(minor(st.st_dev), 16).rightJustified(2, '0') + ':' +
                          QByteArray::number(quint64(st.st_ino));
    QFile locks(QStringLiteral("/proc/locks"));
    if (!locks.open(QIODevice::ReadOnly))
        return false;
    const QList<QByteArray> lines = locks.readAll().split('\n');
    for (const QByteArray& line : lines) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 6 || fields[1] != "FLOCK" || fields[3] != "WRITE")
            continue;
        if (fields[5] == id)
            return true;
    }
    return false;
}

} // namespace

bool printFileWriteLocked(int fd)
{
    return fd >= 0 && (recordWriteLocked(fd) || flockWriteLocked(fd));
}

#else

bool printFileWriteLocked(int)
{
    return false;
}

#endif
