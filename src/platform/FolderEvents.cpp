#include "platform/FolderEvents.h"

#include <QFile>
#include <QSocketNotifier>

#if defined(Q_OS_LINUX)
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

FolderEvents::FolderEvents(std::function<void(const QString& name)> changed) : m_changed(std::move(changed)) {}

FolderEvents::~FolderEvents()
{
    m_notifier.reset();
#if defined(Q_OS_LINUX)
    if (m_fd >= 0)
        ::close(m_fd);
#endif
}

bool FolderEvents::watch(const QString& folder)
{
    m_seen.clear();
    m_moving.clear();
#if defined(Q_OS_LINUX)
    if (m_fd < 0) {
        m_fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        if (m_fd < 0)
            return false;
        m_notifier = std::make_unique<QSocketNotifier>(m_fd, QSocketNotifier::Read);
        QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [this] { readEvents(); });
    }
    if (m_watch >= 0)
        ::inotify_rm_watch(m_fd, m_watch);
    m_folder = folder;
    while (m_folder.size() > 1 && m_folder.endsWith(u'/'))
        m_folder.chop(1);
    m_watch = ::inotify_add_watch(m_fd, QFile::encodeName(folder).constData(),
                                  IN_CREATE | IN_MODIFY | IN_ATTRIB | IN_CLOSE_WRITE | IN_MOVED_FROM | IN_MOVED_TO |
                                      IN_DELETE | IN_ONLYDIR);
    return m_watch >= 0;
#else
    Q_UNUSED(folder);
    return false;
#endif
}

bool FolderEvents::closedAfterLastWrite(const QString& path, qint64 size, qint64 modifiedNs) const
{
    const qsizetype slash = path.lastIndexOf(u'/');
    if (slash < 0 || m_folder.isEmpty() || QStringView(path).left(slash) != m_folder)
        return false;
    const auto it = m_seen.constFind(path.sliced(slash + 1));
    return it != m_seen.constEnd() && it->closed &&
           (it->size < 0 || (it->size == size && it->modifiedNs == modifiedNs));
}

FolderEvents::Seen FolderEvents::look(const QString& name, bool closed) const
{
    Seen seen;
    seen.closed = closed;
#if defined(Q_OS_LINUX)
    // Events are read in batches: a file written and renamed at once is gone from its
    // first name by now, and its close counts without a record of how it looked.
    struct stat st = {};
    const QByteArray path = QFile::encodeName(m_folder + u'/' + name);
    if (closed && ::lstat(path.constData(), &st) == 0) {
        seen.size = st.st_size;
        seen.modifiedNs = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    }
#else
    Q_UNUSED(name);
    Q_UNUSED(closed);
#endif
    return seen;
}

void FolderEvents::readEvents()
{
#if defined(Q_OS_LINUX)
    alignas(inotify_event) char buffer[16384];
    for (;;) {
        const ssize_t got = ::read(m_fd, buffer, sizeof buffer);
        if (got <= 0)
            break;
        for (ssize_t at = 0; at < got;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            at += ssize_t(sizeof(inotify_event) + event->len);
            if (event->wd != m_watch || event->len == 0)
                continue;
            const QString name = QFile::decodeName(event->name);
            const quint32 mask = event->mask;
            if (mask & (IN_CREATE | IN_MODIFY)) {
                m_seen[name] = Seen{};
            } else if (mask & IN_CLOSE_WRITE) {
                m_seen[name] = look(name, true);
            } else if (mask & IN_ATTRIB) {
                // A time stamp set by hand writes nothing; a closed file stays closed.
                const auto it = m_seen.constFind(name);
                if (it != m_seen.constEnd() && it->closed)
                    m_seen[name] = look(name, true);
            } else if (mask & IN_MOVED_FROM) {
                m_moving.insert(event->cookie, m_seen.take(name));
            } else if (mask & IN_MOVED_TO) {
                m_seen[name] = m_moving.take(event->cookie);
            } else if (mask & IN_DELETE) {
                m_seen.remove(name);
            }
            if (m_changed)
                m_changed(name);
        }
    }
    // A rename into the folder from elsewhere leaves a half no one takes; none is kept long.
    if (m_moving.size() > 64)
        m_moving.clear();
#endif
}
