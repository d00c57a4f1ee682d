#pragma once

#include <QString>

// Whether the server starts by itself when the user logs in. Here that is the desktop's
// autostart entry `druckserver.desktop` in $XDG_CONFIG_HOME/autostart (~/.config/autostart);
// on Windows it is the "Druckserver" value of the Run key.
namespace autostart {

// The entry's path.
QString entryPath();

// True while the entry exists.
bool isRegistered();

// Writes the entry so that it starts `executable` (the running program's own path, so an
// installed server registers its installed path), or removes it. Returns false when the
// entry could not be written or removed; it is then unchanged.
bool setRegistered(bool registered, const QString& executable);

} // namespace autostart
