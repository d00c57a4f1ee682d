#include "server/PrintFileWatch.h"

#include "engine/PrintFileLock.h"
#include "platform/FolderEvents.h"
#include "platform/OpenFiles.h"

#include <sys/stat.h>

namespace {

// The look at every process's open files takes milliseconds; while a writer keeps the
// file open it is repeated this often, not at every tick.
constexpr qint64 WriterLookMs = 1000;

} // namespace

bool PrintFileWatch::isComplete(const QString& path, int fd, qint64 nowMs)
{
    struct stat st = {};
    if (::fstat(fd, &st) != 0)
        return false;
    const qint64 size = st.st_size;
    const qint64 modifiedNs = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    const auto found = m_seen.find(path);
    if (found == m_seen.end()) {
        // First look: the time stamp tells when it changed, unless it lies in the future.
        const qint64 modifiedMs = modifiedNs / 1000000;
        m_seen.insert(path, {size, modifiedNs, std::min(modifiedMs, nowMs), -1});
    } else if (found->size != size || found->modifiedNs != modifiedNs) {
        found->size = size;
        found->modifiedNs = modifiedNs;
        found->changedAtMs = nowMs;
    }
    Observation& seen = m_seen[path];
    // A file its writer closed after the last write needs no quiet time: only another
    // writer that still holds it open could add to it.
    const bool closed = m_events && m_events->closedAfterLastWrite(path, size, modifiedNs);
    if ((!closed && nowMs - seen.changedAtMs < m_quietMs) || printFileWriteLocked(fd))
        return false;
    // A writer that pauses changes nothing for a while but still holds the file open; the
    // look at every process's open files comes last, as it costs the most.
    if (!closed && seen.writerSeenAtMs >= 0 && nowMs - seen.writerSeenAtMs < WriterLookMs)
        return false;
    const bool held = openfiles::heldOpenForWriting(fd);
    seen.writerSeenAtMs = held ? nowMs : -1;
    return !held;
}
