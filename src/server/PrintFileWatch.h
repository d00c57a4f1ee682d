#pragma once

#include <QHash>
#include <QString>
#include <QtGlobal>

class FolderEvents;

// Tells when a print file is complete. A DOS program writes its print file over seconds
// and may pause between lines; it is done when no process on this computer holds the file
// open for writing or locked, and either the system saw its writer close it after the last
// write (FolderEvents) or the file has not changed for the quiet time. Writers on other
// computers (a network share) are seen only through the quiet time.
class PrintFileWatch
{
public:
    static constexpr qint64 DefaultQuietMs = 300;

    void setQuietTime(qint64 milliseconds) { m_quietMs = std::max<qint64>(milliseconds, 0); }
    // What the system tells of the print-file folder; none: every file waits the quiet time.
    void setFolderEvents(const FolderEvents* events) { m_events = events; }

    // Whether the file open as `fd`, found under `path`, is complete at `nowMs` (ms since
    // the epoch). Every look is remembered: a change of size or time stamp between two
    // looks starts the quiet time again, which also catches writers on file systems with
    // coarse or skewed time stamps.
    bool isComplete(const QString& path, int fd, qint64 nowMs);

    // Forgets what was seen of files no longer there (any path but those still waiting).
    void forget(const QString& path) { m_seen.remove(path); }

private:
    struct Observation
    {
        qint64 size = -1;
        qint64 modifiedNs = 0;
        qint64 changedAtMs = 0;
        qint64 writerSeenAtMs = -1; // when a process last held it open for writing
    };
    QHash<QString, Observation> m_seen;
    qint64 m_quietMs = DefaultQuietMs;
    const FolderEvents* m_events = nullptr;
};
