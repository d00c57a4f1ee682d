#include "PageDrawing.h"

#include "Canvas.h"
#include "OutputContext.h"
#include "PrintEngine.h"
#include "ServerSettings.h"
#include "Watermark.h"

#include <QDir>

namespace pages {
namespace {

void drawBackground(Canvas& dc, OutputContext& context, qint16 slot, qint32 page, const PageGeometry& geometry)
{
    const qint16 mode = context.PicPageMode(slot);
    const bool wanted = mode == 2 || (mode == 1 && page == 1);
    const PictureHolder& picture = context.Picture1();
    if (!wanted || picture.isEmpty())
        return;
    dc.painter().drawImage(QRectF(0, 0, geometry.width, geometry.height), picture.picture(),
                           QRectF(0, 0, picture.width(), picture.height()));
}

QString chosenWatermark(OutputContext& context, qint16 slot)
{
    const qint32 position = context.WatermarkPosition(slot);
    const QStringList& watermarks = context.job().Watermarks();
    if (position < 1 || position > watermarks.size())
        return {};
    return watermarks[position - 1];
}

} // namespace

void drawJobPage(Canvas& dc, OutputContext& context, qint16 slot, qint32 page, const PageGeometry& geometry,
                 qint32 firstLineFlag, ServerSettingsRecord& settings)
{
    Job& job = context.job();
    const qint16 layer = settings.Waterlayer;
    const QString watermark = chosenWatermark(context, slot);

    // Lines written by a PDF page's own content writer lie on top of the page; a
    // watermark drawn over the text needs the lines drawn before it, by the painter.
    const Canvas::PainterOnly linesBelowWatermark(dc, layer == 1 && !watermark.isEmpty());
    drawBackground(dc, context, slot, page, geometry);
    if (layer == 0 && !watermark.isEmpty())
        PrintWatermark(dc, watermark);

    const qint32 lines = job.OutputLineCount();
    for (qint32 line = 1; line <= lines; ++line) {
        const qint32 stored = line;
        QString text = job.GetPageLine(stored, page);
        PRINTLINE5(dc, line, lines, text, geometry.height, settings.SignPitch, settings.BarCodePitch, settings.Fontname,
                   job.LeftSpace, stored == 1 ? firstLineFlag : 0);
        job.setPageLine(stored, page, text);
        context.processEvents();
    }

    if (layer == 1 && !watermark.isEmpty())
        PrintWatermark(dc, watermark);
}

void PrintWatermark(Canvas& dc, const QString& definition)
{
    PRINTWM2(dc, definition);
}

double widestLineInches(const Job& job, qint32 signPitch, qint32 leftMargin)
{
    LineMeasurer measurer(signPitch, leftMargin);
    const qint32 lines = job.OutputLineCount();
    for (qint32 page = 1; page <= job.PageCount(); ++page) {
        for (qint32 line = 1; line <= lines; ++line)
            measurer.add(job.GetPageLine(line, page));
    }
    return measurer.widestInches();
}

QString documentTitle()
{
    QString folder = AppDataFolder();
    folder.replace(QDir::separator(), u'_').replace(u'\\', u'_');
    return folder + QStringLiteral("DOS_Job");
}

} // namespace pages
