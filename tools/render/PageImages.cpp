#include "PageImages.h"

#include "engine/Canvas.h"
#include "engine/PrintEngine.h"
#include "job/Job.h"
#include "pages/Output.h"
#include "pages/PageDrawing.h"

#include <QDir>
#include <QImage>

int renderJobPages(const Job& job, const QString& outDir, int dpi, QString& error)
{
    if (!QDir().mkpath(outDir)) {
        error = QStringLiteral("cannot create %1").arg(outDir);
        return -1;
    }
    const double widthMm = job.landscape ? 297 : 210;
    const double heightMm = job.landscape ? 210 : 297;
    QImage image(qRound(widthMm / 25.4 * dpi), qRound(heightMm / 25.4 * dpi), QImage::Format_RGB32);
    image.setDotsPerMeterX(qRound(dpi / 0.0254));
    image.setDotsPerMeterY(qRound(dpi / 0.0254));

    // One canvas for the whole document, so the print modes carry from page to page.
    Canvas canvas(&image);
    canvas.setWidestLineInches(pages::widestLineInches(job));
    const pages::PageGeometry geometry{image.width(), image.height()};
    OutputRequest request;
    request.toPage = job.pageCount();
    pages::DocumentState state{job.settings.fontName};
    JobPages pages(job);
    for (qint32 page = 1; page <= job.pageCount(); ++page) {
        image.fill(Qt::white);
        if (page == 1)
            beginDocument(canvas, pages::documentTitle(job));
        else
            canvas.begin();
        pages::drawJobPage(canvas, job, pages.page(page), request, geometry, page == 1 ? 1 : 0, state);
        canvas.end();
        const QString file = QDir(outDir).filePath(QStringLiteral("page-%1.png").arg(page, 3, 10, QLatin1Char('0')));
        if (!image.save(file)) {
            error = QStringLiteral("cannot write %1").arg(file);
            return -1;
        }
    }
    return job.pageCount();
}
