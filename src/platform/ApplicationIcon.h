#pragma once

#include <QIcon>

// The program's icon, for every window's title bar and the desktop's window list: the
// icon theme's "druckserver" (the package installs it into the hicolor theme, where the
// menu entry finds it too), else the same picture built into the program, so a program
// run from its build folder shows it as well.
QIcon applicationIcon();
