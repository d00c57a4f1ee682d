#include "SingleInstance.h"

#include "Folders.h"

#include <QDir>
#include <QFile>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

SingleInstance::SingleInstance(const QString& folder)
{
    QDir().mkpath(folder);
    const QByteArray path = QFile::encodeName(folders::join(folder, QStringLiteral(".druckserver.lock")));
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return; // an unwritable folder cannot be shared either: let this instance run
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        m_first = false; // held by another instance
        return;
    }
    m_fd = fd;
}

SingleInstance::~SingleInstance()
{
    if (m_fd >= 0)
        ::close(m_fd);
}
