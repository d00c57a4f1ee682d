#pragma once

#include <QString>
#include <QStringList>

// Where the server keeps its own files. They all lie in the AppData folder ($APPDATA, else
// ~/.local/share/druckserver), which is never shared when print files arrive in a folder of
// their own (PrintFileFolder), and no print job ever reaches them (JobFiles).
namespace serverfolders {

// The folder where print files arrive: PrintFileFolder of the default settings file, or
// the AppData folder when it names none.
QString printFileFolder();
// The jobs taken over and not yet done.
QString spoolFolder();
// Print files that could not be read or output, kept for the user to look at.
QString faultyFolder();
// The notes of temporary files a killed server would leave behind.
QString journalFolder();
// Canonical paths of the server's own files and folders (a folder stands for everything in
// it): the default settings file, the spool, the faulty print files, the journal and the
// registry store.
QStringList ownFiles();

} // namespace serverfolders
