#pragma once

#include "engine/Canvas.h"
#include "engine/LineMeasurer.h"

#include <QString>

// The print engine's drawing operations. The outputs (printer, PDF, preview) call them in
// this order: beginDocument, per page drawLine for every line and nextPage between pages,
// endDocument. The preview draws lines on its own bitmap without starting a document.
// Before the first line the caller hands the widest line of the document (LineMeasurer)
// to the canvas, so all lines share one horizontal scale.

// Begins a document titled `title` (the spooler's document name, the PDF's title) and
// the painter on the canvas; the print modes start from their defaults. False when the
// device refuses to start.
bool beginDocument(Canvas& dc, const QString& title);

// One line to draw: line `line` of `linesPerPage` on the current page takes the band from
// (line - 1) / linesPerPage to line / linesPerPage of `drawingHeight` device pixels. The
// font is `fontName` at `signPitch` points (smaller if it would not fit the band); cells
// are a tenth of an inch at 12 points; `leftMargin` cells of a tenth of an inch stay blank
// on the left; bar codes are `barCodePitch` points tall. `firstLine` starts a new
// document: the print modes are reset first.
struct LineRequest
{
    qint32 line = 1;
    qint32 linesPerPage = 1;
    QString text;
    qint32 drawingHeight = 0;
    qint32 signPitch = 12;
    qint32 barCodePitch = 12;
    QString fontName;
    qint32 leftMargin = 0;
    bool firstLine = false;
};

// What a drawn line leaves for the next: the last band it took (the band after `line`
// when it was printed double height, so the caller continues after it), and the font in
// force after it (a line may choose another typeface).
struct LineResult
{
    qint32 lastLine = 1;
    QString fontName;
};

// Draws the line. Bad input (no lines per page, a line outside the page, garbage in the
// text) draws what can be drawn and never fails.
LineResult drawLine(Canvas& dc, const LineRequest& request);

// Starts the next page of the document. False on a device without pages or when the
// device reports a failure.
bool nextPage(Canvas& dc);

// Ends the document. False when the device reported a failure (a printer that went away,
// a PDF file that could not be written).
bool endDocument(Canvas& dc);
