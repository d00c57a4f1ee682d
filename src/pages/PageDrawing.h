#pragma once

#include <QString>
#include <QtGlobal>

class Canvas;
class Job;
class OutputContext;
struct ServerSettingsRecord;

// What every output draws on one job page, in this order: the background picture by the
// slot's picture mode, the watermark behind the text (layer 0), the text lines through
// the line renderer, the watermark in front of the text (layer 1). The printer output,
// the PDF output and the preview share it, so a page looks the same everywhere.
namespace pages {

struct PageGeometry
{
    qint32 width = 0;  // printable width in device pixels of the canvas
    qint32 height = 0; // printable height: the drawing height handed to the renderer
};

// Draws page `page` of the context's job. firstLineFlag is handed to the renderer with
// line 1 (non-zero for line 1 of the first output page). Waterlayer, SignPitch,
// BarCodePitch and Fontname come from `settings`, the copy of the server settings the
// output took when it began: another job loading its own settings while this output lets
// events run cannot change fonts or layers in mid-document. Texts the renderer hands
// back are stored in the job, the font name in `settings`.
void drawJobPage(Canvas& dc, OutputContext& context, qint16 slot, qint32 page, const PageGeometry& geometry,
                 qint32 firstLineFlag, ServerSettingsRecord& settings);

// Draws one watermark definition (nothing for empty text).
void PrintWatermark(Canvas& dc, const QString& definition);

// The natural width, in inches, of the job's widest line, measured over all pages in
// order; the outputs hand it to the canvas before the first line so that one horizontal
// scale holds for the whole document.
double widestLineInches(const Job& job, qint32 signPitch, qint32 leftMargin);

// The spooler and PDF document title: the AppData folder with every separator replaced
// by "_", followed by "DOS_Job".
QString documentTitle();

} // namespace pages
