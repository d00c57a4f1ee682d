#pragma once

#include <QList>
#include <QString>

// The "drives" of this system: its mounted file systems, each known by its mount point.
namespace drives {

struct Drive
{
    QString rootPath; // the mount point, "/" or "/media/usb"
    QString label;    // the volume's name, may be empty
};

// The mounted file systems that can hold a folder, sorted by mount point. The kernel's
// own file systems (/proc, /sys, /dev, /run except removable media) are left out.
QList<Drive> mounted();

// The drive that holds `folder`: the one with the longest mount point that starts the
// folder as a whole path component ("/home" holds "/home/a" but not "/homework").
// -1 when none does (a relative folder, or an empty list).
qsizetype driveFor(const QList<Drive>& list, const QString& folder);

} // namespace drives
