#include "platform/Drives.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>

#include <algorithm>

namespace drives {
namespace {

bool isSystemMount(const QString& root)
{
    for (const char* prefix : {"/proc", "/sys", "/dev", "/run"}) {
        const QString p = QString::fromLatin1(prefix);
        if (root == p || root.startsWith(p + u'/'))
            return !root.startsWith(QStringLiteral("/run/media/"));
    }
    return false;
}

bool holds(const QString& root, const QString& folder)
{
    if (root == u"/")
        return folder.startsWith(u'/');
    return folder == root || folder.startsWith(root + u'/');
}

} // namespace

QList<Drive> mounted()
{
    QList<Drive> list;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        const QString root = volume.rootPath();
        // Single files bound into place (a container's /etc/hosts) are mounts too.
        if (!volume.isValid() || isSystemMount(root) || !QFileInfo(root).isDir())
            continue;
        if (std::any_of(list.begin(), list.end(), [&](const Drive& d) { return d.rootPath == root; }))
            continue;
        list.append({root, volume.name()});
    }
    std::sort(list.begin(), list.end(), [](const Drive& a, const Drive& b) { return a.rootPath < b.rootPath; });
    return list;
}

qsizetype driveFor(const QList<Drive>& list, const QString& folder)
{
    const QString path = QDir::cleanPath(folder);
    qsizetype best = -1;
    for (qsizetype i = 0; i < list.size(); ++i) {
        if (holds(list[i].rootPath, path) && (best < 0 || list[i].rootPath.size() > list[best].rootPath.size()))
            best = i;
    }
    return best;
}

} // namespace drives
