#pragma once

#include <QIcon>

// The two tray icons, drawn by the program: a printer with a green light while idle,
// and with an orange light and a sheet coming out while a print file is read.
namespace trayIcons {
QIcon idle();
QIcon reading();
} // namespace trayIcons
