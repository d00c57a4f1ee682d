#pragma once

#include <QString>

// Makes sure only one server polls a given AppData folder. The lock is an advisory lock on
// the folder itself: nothing in it can be deleted to take the lock away (a client of a
// shared folder could delete a lock file), and the kernel drops it when the process ends
// in any way, so a crashed instance never leaves it stuck.
class SingleInstance
{
public:
    explicit SingleInstance(const QString& folder);
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // True when this process holds the lock (no other instance runs).
    bool isFirst() const { return m_first; }

private:
    int m_fd = -1;
    bool m_first = true;
};
