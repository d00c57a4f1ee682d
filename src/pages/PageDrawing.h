#pragma once

#include "engine/DocumentTracker.h"

#include <QString>
#include <QtGlobal>

#include <vector>

class Canvas;
class Job;
struct OutputRequest;
struct PageText;

// What every output draws on one job page, in this order: the background picture by the
// request's picture mode, the watermark behind the text (layer 0), the text lines through
// the line renderer, the watermark in front of the text (layer 1). The printer output, the
// PDF output and the preview share it, so a page looks the same everywhere.
namespace pages {

struct PageGeometry
{
    qint32 width = 0;  // printable width in device pixels of the canvas
    qint32 height = 0; // printable height: the drawing height handed to the renderer
};

// The state a document carries from line to line: the font the lines are drawn in (a
// line may choose another typeface for those after it). Starts with the job's font.
struct DocumentState
{
    QString fontName;
};

// Draws one page of the job. firstLineFlag is handed to the renderer with line 1
// (non-zero for line 1 of the first output page).
void drawJobPage(Canvas& dc, const Job& job, const PageText& page, const OutputRequest& request,
                 const PageGeometry& geometry, qint32 firstLineFlag, DocumentState& state);

// The parts of drawJobPage, for outputs that draw the lines apart from the rest:
// what lies behind the lines (background picture, watermark of layer 0), the lines, and
// whether the lines must go through the painter because a watermark is drawn over them.
void drawBehindLines(Canvas& dc, const Job& job, qint32 page, const OutputRequest& request,
                     const PageGeometry& geometry);
void drawLines(Canvas& dc, const Job& job, const PageText& page, const PageGeometry& geometry, qint32 firstLineFlag,
               DocumentState& state);
bool watermarkOverLines(const Job& job, const OutputRequest& request);

// What an output of pages `fromPage` to `toPage` draws with: the widest line (over all
// pages, as widestLineInches) and where each output page starts (`starts[0]` is
// `fromPage`'s; none for pages outside the job), as drawing the pages before it in order
// leaves the renderer. With it the pages of one document can be drawn apart (on several
// threads, in any order) and still come out as if drawn one after the other. An output
// from page 1 takes what the job noted when it was read; any other reads the job again.
struct DocumentPlan
{
    double widestLineInches = 0;
    std::vector<PageStartState> starts;
};
DocumentPlan planDocument(const Job& job, qint32 fromPage, qint32 toPage);

// The natural width, in inches, of the job's widest line, measured over all pages in
// order; the outputs hand it to the canvas before the first line so that one horizontal
// scale holds for the whole document.
double widestLineInches(const Job& job);

// The title the spooler shows for a job's documents: the job's document name ("@DATEI")
// when it has one, else "Druckserver Job" and the job's number, as the print dialog's
// caption numbers it.
QString documentTitle(const Job& job);

} // namespace pages
