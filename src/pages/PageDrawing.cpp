#include "pages/PageDrawing.h"

#include "engine/Canvas.h"
#include "engine/LineMeasurer.h"
#include "engine/PrintEngine.h"
#include "engine/Renderer.h"
#include "engine/RendererParser.h"
#include "engine/Watermark.h"
#include "job/Job.h"
#include "pages/Output.h"
#include "platform/Folders.h"

#include <QDir>

#include <limits>

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
    // Lines written by a PDF page's own content writer lie on top of the page; a
    // watermark drawn over the text needs the lines drawn before it, by the painter.
    const bool watermarkOver = watermarkOverLines(job, request);
    const Canvas::PainterOnly linesBelowWatermark(dc, watermarkOver);
    drawBehindLines(dc, job, page.page, request, geometry);
    drawLines(dc, job, page, geometry, firstLineFlag, state);
    if (watermarkOver)
        ::drawWatermark(dc, request.watermark);
}

bool watermarkOverLines(const Job& job, const OutputRequest& request)
{
    return job.settings.watermarkLayer == 1 && !request.watermark.isEmpty();
}

void drawBehindLines(Canvas& dc, const Job& job, qint32 page, const OutputRequest& request,
                     const PageGeometry& geometry)
{
    drawBackground(dc, request, page, geometry);
    if (job.settings.watermarkLayer == 0 && !request.watermark.isEmpty())
        ::drawWatermark(dc, request.watermark);
}

void drawLines(Canvas& dc, const Job& job, const PageText& page, const PageGeometry& geometry, qint32 firstLineFlag,
               DocumentState& state)
{
    const JobSettings& settings = job.settings;
    const qint32 lines = job.linesPerPage();
    for (qint32 line = 1; line <= lines; ++line) {
        const LineResult drawn =
            drawLine(dc, {line, lines, page.line(line), geometry.height, settings.signPitch, settings.barCodePitch,
                          state.fontName, settings.leftMargin, line == 1 && firstLineFlag != 0});
        line = drawn.lastLine;
        state.fontName = drawn.fontName;
    }
}

double widestLineInches(const Job& job)
{
    return planDocument(job, 1, 0).widestLineInches;
}

DocumentPlan planDocument(const Job& job, qint32 fromPage, qint32 toPage)
{
    const JobSettings& settings = job.settings;
    DocumentPlan plan;
    if (fromPage <= toPage)
        plan.starts.reserve(size_t(toPage - fromPage + 1));
    LineMeasurer measurer(settings.signPitch, settings.leftMargin);
    const double pitchScale = Renderer::pitchScale(settings.signPitch);
    RendererModes modes;
    QString fontName = settings.fontName;
    RendererLine parsed;
    JobPages pages(job);
    const qint32 lines = job.linesPerPage();
    for (qint32 p = 1; p <= job.pageCount(); ++p) {
        const PageText& page = pages.page(p);
        for (qint32 line = 1; line <= lines; ++line)
            measurer.add(page.line(line));
        if (p < fromPage || p > toPage)
            continue;
        // The lines as drawLines hands them to the renderer: the first output page starts
        // a new document, and a double-height line takes the band of the line after it,
        // which is then not interpreted at all.
        if (p == fromPage)
            modes.reset();
        plan.starts.push_back({modes, fontName});
        for (qint32 line = 1; line <= lines; ++line) {
            double inkEnd = 0;
            bool doubleHeight = false;
            if (renderer::plainLineInkEnd(page.line(line), modes, pitchScale, inkEnd)) {
                doubleHeight = modes.doubleHeight && inkEnd > 0;
            } else {
                renderer::parseLine(page.line(line), modes, fontName, pitchScale, parsed);
                doubleHeight = parsed.doubleHeight;
                fontName = parsed.fontAfter();
            }
            if (doubleHeight && line < std::numeric_limits<qint32>::max())
                ++line;
        }
    }
    plan.widestLineInches = measurer.widestInches();
    return plan;
}

QString documentTitle(const Job& job)
{
    if (!job.documentName.isEmpty())
        return job.documentName;
    return job.number > 0 ? QStringLiteral("Druckserver Job %1").arg(job.number) : QStringLiteral("Druckserver Job");
}

} // namespace pages
