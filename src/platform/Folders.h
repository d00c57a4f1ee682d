#pragma once

#include <QString>

// Where the program finds its files.
namespace folders {

// The AppData folder: holds the print file "d.dat", the default settings file PS.INI
// and the scratch PDF. $APPDATA when set, else ~/.local/share/druckserver.
QString appDataFolder();

// The program folder: holds Wasser.txt and the background pictures.
// $DRUCKSERVER_HOME when set; else the executable's folder when it holds Wasser.txt; else,
// for an installed program (its data folder, ../share/druckserver from its bin folder,
// holds the default Wasser.txt), ~/.local/share/druckserver with a copy of that default
// made once; else the executable's folder when it is writable; else
// ~/.local/share/druckserver.
QString programFolder();

// The user's home folder (the default PDF folder).
QString homeFolder();

// The file of that name in the folder, or else the first (by name) whose name differs only
// in case; folder joined with `name` when there is none.
QString findIn(const QString& folder, const QString& name);

// folder + native separator + name, with exactly one separator between them.
QString join(const QString& folder, const QString& name);

} // namespace folders
