#include "PdfConverter.h"

#include "Folders.h"
#include "JobReader.h"
#include "PdfOutput.h"
#include "ServerSettings.h"
#include "WindowlessContext.h"

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
    // The scratch file of the resolution probe goes where the server keeps it.
    if (AppDataFolder().isEmpty())
        AppDataFolder() = folders::appDataFolder();

    WindowlessContext context;
    if (!fillJobFromPrintFile(printFile, context.job(), settingsFile))
        return OutputOutcome::failure(
            QStringLiteral("Die Druckdatei %1 konnte nicht gelesen werden oder ist leer.").arg(shownFile));
    context.setWatermarkPosition(watermarkPosition);
    context.FromPage = 1;
    context.ToPage = context.job().PageCount();
    return writeJobPdf(context, 0, output, PdfVariant::File);
}
