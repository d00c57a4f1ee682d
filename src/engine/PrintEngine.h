#pragma once

#include "Canvas.h"
#include "LineMeasurer.h"

#include <QString>

// The print engine's drawing operations. The outputs (printer, PDF, preview) call them
// in this order: STARTPRINT2, per page PRINTLINE5 for every line and NEXTPAGE between
// pages, ENDPRINT. The preview draws lines on its own bitmap without starting a document.
// Before the first line the caller hands the widest line of the document (LineMeasurer)
// to the canvas, so all lines share one horizontal scale.

// Begins a document titled `title` (the spooler's document name, the PDF's title) and
// the painter on the canvas; the print modes start from their defaults. False when the
// device refuses to start.
bool STARTPRINT2(Canvas& dc, const QString& title);

// Draws line `line` of `linesPerPage` on the current page: the line takes the band from
// (line - 1) / linesPerPage to line / linesPerPage of `drawingHeight` device pixels.
// The font is `fontName` at `signPitch` points (smaller if it would not fit the band);
// cells are a tenth of an inch at 12 points; `leftMargin` cells of a tenth of an inch
// stay blank on the left; bar codes are `barCodePitch` points tall. A non-zero
// `firstLineFlag` starts a new document: the print modes are reset first.
//
// Written back: `line` is raised by one when the line was printed double height (it took
// the next band too), so the caller continues after it; `fontName` is the font in force
// after the line; `text` is left as it came, so drawing it again draws the same.
// Bad input (no lines per page, a line outside the page, garbage in the text) draws what
// can be drawn and never fails.
void PRINTLINE5(Canvas& dc, qint32& line, qint32 linesPerPage, QString& text, qint32 drawingHeight,
                qint32 signPitch, qint32 barCodePitch, QString& fontName, qint32 leftMargin, qint32 firstLineFlag);

// Starts the next page of the document. False on a device without pages or when the
// device reports a failure.
bool NEXTPAGE(Canvas& dc);

// Ends the document. False when the device reported a failure (a printer that went away,
// a PDF file that could not be written).
bool ENDPRINT(Canvas& dc);
