#include "pages/PageDrawing.h"

#include "engine/Canvas.h"
#include "engine/PrintEngine.h"
#include "engine/Watermark.h"
#include "job/Job.h"
#include "pages/Output.h"
#include "platform/Folders.h"

#include <QDir>

#include <algorithm>

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
    return job.widestLineInches();
}

DocumentPlan planDocument(const Job& job, qint32 fromPage, qint32 toPage)
{
    DocumentPlan plan;
    plan.widestLineInches = job.widestLineInches();
    const qint32 first = std::max(fromPage, 1);
    const qint32 last = std::min(toPage, job.pageCount());
    if (first > last || first != fromPage)
        return plan;
    plan.starts.reserve(size_t(last - first + 1));
    if (first == 1) {
        for (qint32 p = first; p <= last; ++p)
            plan.starts.push_back(job.pageStarts()[p - 1].drawing);
        return plan;
    }
    const JobSettings& settings = job.settings;
    DocumentTracker tracker(settings.signPitch, settings.leftMargin, settings.fontName, job.linesPerPage());
    JobPages pages(job);
    for (qint32 p = first; p <= last; ++p) {
        tracker.beginPage(true);
        plan.starts.push_back(tracker.start());
        const PageText& page = pages.page(p);
        for (qint32 line = 1; line <= page.lines.size(); ++line)
            tracker.addLine(line, page.line(line));
    }
    return plan;
}

QString documentTitle(const Job& job)
{
    if (!job.documentName.isEmpty())
        return job.documentName;
    return job.number > 0 ? QStringLiteral("Druckserver Job %1").arg(job.number) : QStringLiteral("Druckserver Job");
}

} // namespace pages
