#include "PdfConverter.h"

#include "job/JobLoader.h"
#include "pdf/PdfOutput.h"

#include <QDir>
#include <QFileInfo>

OutputOutcome convertPrintFileToPdf(const QString& printFile, const QString& output, const QString& settingsFile,
                                    qint32 watermarkPosition)
{
    const QString shownFile = QDir::toNativeSeparators(printFile);
    if (!QFileInfo(printFile).isFile())
        return OutputOutcome::failure(QStringLiteral("Die Druckdatei %1 wurde nicht gefunden.").arg(shownFile));
    if (output.isEmpty())
        return OutputOutcome::failure(QStringLiteral("Für das PDF-Dokument wurde kein Dateiname angegeben."));

    const LoadResult loaded = loadJob(printFile, toolLoadOptions(settingsFile));
    if (!loaded.loaded())
        return OutputOutcome::failure(
            QStringLiteral("Die Druckdatei %1 konnte nicht gelesen werden oder ist leer.").arg(shownFile) +
            (loaded.problem.isEmpty() ? QString() : u' ' + loaded.problem));
    const Job& job = loaded.job;
    OutputRequest request;
    request.destination = Destination::Pdf;
    request.toPage = job.pageCount();
    if (watermarkPosition >= 1 && watermarkPosition <= job.watermarks.size())
        request.watermark = job.watermarks[watermarkPosition - 1];
    OutputProgress progress;
    return writeJobPdf(job, request, progress, output, PdfVariant::File);
}
