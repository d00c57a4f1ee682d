#pragma once

#include "OutputOutcome.h"

#include <QtGlobal>

class frmGUI;

// Printer and fax output of one slot of a print dialog: one spooler document per copy,
// the page range, background picture, watermark and attachment pages. For a fax
// printer the fax number is handed over first. The current printer is switched to the
// slot's destination for the output and back afterwards.
OutputOutcome PrintToPrinter(frmGUI& dialog, qint16 Index);

// Where the fax printer takes the number of the next document from.
inline constexpr const char* FaxNumberKey = "Software\\AVM\\Fritz! 2.0\\FAX\\";
inline constexpr const char* FaxNumberValue = "Rufnummer";
