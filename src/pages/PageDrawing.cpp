#include "pages/PageDrawing.h"

#include "engine/Canvas.h"
#include "engine/LineMeasurer.h"
#include "engine/PrintEngine.h"
#include "engine/Watermark.h"
#include "job/Job.h"
#include "pages/Output.h"
#include "platform/Folders.h"

#include <QDir>

namespace pages {
namespace {

void drawBackground(Canvas& dc, const OutputRequest& request, qint32 page, const PageGeometry& geometry)
{
    const bool wanted = request.pictureMode == 2 || (request.pictureMode == 1 && page == 1);
    if (!wanted || request.picture.isNull())
        return;
    dc.painter().drawImage(QRectF(0, 0, geometry.width, geometry.height), request.picture,
                           QRectF(request.picture.rect()));
}

} // namespace

void drawJobPage(Canvas& dc, const Job& job, const PageText& page, const OutputRequest& request,
                 const PageGeometry& geometry, qint32 firstLineFlag, DocumentState& state)
{
    const JobSettings& settings = job.settings;
    const qint16 layer = settings.watermarkLayer;
    const QString& watermark = request.watermark;

    // Lines written by a PDF page's own content writer lie on top of the page; a
    // watermark drawn over the text needs the lines drawn before it, by the painter.
    const Canvas::PainterOnly linesBelowWatermark(dc, layer == 1 && !watermark.isEmpty());
    drawBackground(dc, request, page.page, geometry);
    if (layer == 0 && !watermark.isEmpty())
        ::drawWatermark(dc, watermark);

    const qint32 lines = job.linesPerPage();
    for (qint32 line = 1; line <= lines; ++line) {
        const LineResult drawn =
            drawLine(dc, {line, lines, page.line(line), geometry.height, settings.signPitch, settings.barCodePitch,
                          state.fontName, settings.leftMargin, line == 1 && firstLineFlag != 0});
        line = drawn.lastLine;
        state.fontName = drawn.fontName;
    }

    if (layer == 1 && !watermark.isEmpty())
        ::drawWatermark(dc, watermark);
}

double widestLineInches(const Job& job)
{
    LineMeasurer measurer(job.settings.signPitch, job.settings.leftMargin);
    JobPages pages(job);
    const qint32 lines = job.linesPerPage();
    for (qint32 p = 1; p <= job.pageCount(); ++p) {
        const PageText& page = pages.page(p);
        for (qint32 line = 1; line <= lines; ++line)
            measurer.add(page.line(line));
    }
    return measurer.widestInches();
}

QString documentTitle(const Job& job)
{
    if (!job.documentName.isEmpty())
        return job.documentName;
    return job.number > 0 ? QStringLiteral("Druckserver Job %1").arg(job.number) : QStringLiteral("Druckserver Job");
}

} // namespace pages
