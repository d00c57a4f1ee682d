#pragma once

#include <QHash>
#include <QString>
#include <QtGlobal>

#include <functional>
#include <memory>

class QSocketNotifier;

// What the operating system tells of the files in one folder as they change, where it
// tells anything (inotify here): that a file changed, at once, so a poller need not wait
// for its next tick; and which files the last process writing them has closed since.
//
// Only what happens on this machine is told: a writer on another machine (a network share)
// changes files unseen, so a file closed here and written from elsewhere afterwards must
// not count as closed. The size and time stamp seen at the close go with the answer.
class FolderEvents
{
public:
    // `changed` runs on the thread that made the object, from its event loop, with the
    // name of the file that changed.
    explicit FolderEvents(std::function<void(const QString& name)> changed);
    ~FolderEvents();
    FolderEvents(const FolderEvents&) = delete;
    FolderEvents& operator=(const FolderEvents&) = delete;

    // Watches `folder` instead of the one before; false where the system cannot watch it
    // (nothing is told then, and every file counts as not closed).
    bool watch(const QString& folder);

    // Whether the file at `path` (in the watched folder; any other is not known) was closed
    // after its last write and is still as it was then: `size` and `modifiedNs` (its time
    // stamp in nanoseconds) are what it has now. A file renamed within the folder keeps
    // what was seen of it under its old name.
    bool closedAfterLastWrite(const QString& path, qint64 size, qint64 modifiedNs) const;

private:
    struct Seen
    {
        bool closed = false;
        qint64 size = -1; // -1: not seen at the close
        qint64 modifiedNs = 0;
    };
    void readEvents();
    Seen look(const QString& name, bool closed) const;

    std::function<void(const QString&)> m_changed;
    QString m_folder;
    int m_fd = -1;
    int m_watch = -1;
    std::unique_ptr<QSocketNotifier> m_notifier;
    QHash<QString, Seen> m_seen;
    QHash<quint32, Seen> m_moving; // by the rename's cookie, between its two halves
};
