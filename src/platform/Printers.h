#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class QPrinter;

// The installed printers and the program's current printer. The current printer starts
// as the system's default printer; an output switches it for its duration and back.
namespace printers {

// Device names of the installed printers, in the order the system lists them: the print
// dialog's destinations and the printers an output may switch to.
QStringList installedPrinters();
// A test may stand in for the system's list; an empty function restores it.
std::function<QStringList()>& installedPrintersHook();
QString currentPrinter();
void setCurrentPrinter(const QString& name);

// A document title the spooler accepts: valid UTF-8 of at most 255 bytes without control
// characters (the spooler would otherwise replace it with "Untitled"). Cut on a
// character boundary.
QString spoolerTitle(const QString& title);

// Whether the spooler marks the queue as a fax queue (one that dials a number).
bool isFaxQueue(const QString& name);

// Hands an option of the spooler (`lp -o name=value`) to the document the printer makes:
// a fax queue takes the number to dial this way.
void setJobOption(QPrinter& printer, const QString& name, const QString& value);

// Sets a printer up for one document: the named printer, its own output (no file),
// colour, its default paper (A4 when it names none) in the orientation, and the title
// the spooler shows (made acceptable by spoolerTitle).
void preparePrinter(QPrinter& printer, const QString& name, bool landscape, const QString& title);

} // namespace printers
