#pragma once

#include <QString>

// Making what was written survive a power loss. The operating system keeps writes in its
// cache for a while; a file the program must never lose is written through to the disk,
// and so is the folder entry that names it after it was created, renamed or removed.
namespace filesync {

// Writes the file's content through to the disk. False when it cannot be opened or synced.
bool syncFile(const QString& path);

// Writes the folder's entries through to the disk, so names created, renamed or removed
// in it stay so. False when it cannot be opened or synced.
bool syncFolder(const QString& folder);

} // namespace filesync
