#include "PageImages.h"

#include "Job.h"
#include "PrintEngine.h"
#include "ServerSettings.h"

#include <QDir>
#include <QImage>

int renderJobPages(Job& job, const QString& outDir, int dpi, QString& error)
{
    if (!QDir().mkpath(outDir)) {
        error = QStringLiteral("cannot create %1").arg(outDir);
        return -1;
    }
    const ServerSettingsRecord& settings = ServerSettings();
    const qint32 lines = job.OutputLineCount();
    LineMeasurer measurer(settings.SignPitch, job.LeftSpace);
    for (qint32 page = 1; page <= job.PageCount(); ++page) {
        for (qint32 line = 1; line <= lines; ++line)
            measurer.add(job.GetPageLine(line, page));
    }

    const double widthMm = job.Landscape() ? 297 : 210;
    const double heightMm = job.Landscape() ? 210 : 297;
    QImage image(qRound(widthMm / 25.4 * dpi), qRound(heightMm / 25.4 * dpi), QImage::Format_RGB32);
    image.setDotsPerMeterX(qRound(dpi / 0.0254));
    image.setDotsPerMeterY(qRound(dpi / 0.0254));

    // One canvas for the whole document, so the print modes carry from page to page.
    Canvas canvas(&image);
    canvas.setWidestLineInches(measurer.widestInches());
    QString font = settings.Fontname;
    for (qint32 page = 1; page <= job.PageCount(); ++page) {
        image.fill(Qt::white);
        if (page == 1)
            STARTPRINT2(canvas, QStringLiteral("DOS_Job"));
        else
            canvas.begin();
        for (qint32 line = 1; line <= lines; ++line) {
            const qint32 drawn = line;
            QString text = job.GetPageLine(line, page);
            PRINTLINE5(canvas, line, lines, text, image.height(), settings.SignPitch, settings.BarCodePitch, font,
                       job.LeftSpace, page == 1 && line == 1 ? 1 : 0);
            job.setPageLine(drawn, page, text);
        }
        canvas.end();
        const QString file = QDir(outDir).filePath(QStringLiteral("page-%1.png").arg(page, 3, 10, QLatin1Char('0')));
        if (!image.save(file)) {
            error = QStringLiteral("cannot write %1").arg(file);
            return -1;
        }
    }
    return job.PageCount();
}
