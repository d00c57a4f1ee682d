#include "dialog/PrinterOutput.h"

#include "engine/Canvas.h"
#include "engine/PrintEngine.h"
#include "job/Job.h"
#include "pages/AttachmentPages.h"
#include "pages/PageDrawing.h"
#include "platform/Printers.h"
#include "settings/RegistryValues.h"

#include <QPrinter>

namespace {

// Makes the first installed printer of that exact name the current printer; with none
// of that name the current printer stays.
void switchToPrinter(const QString& name)
{
    if (printers::installedPrinters().contains(name))
        printers::setCurrentPrinter(name);
}

} // namespace

OutputOutcome PrinterOutput::run(const Job& job, const OutputRequest& request, OutputProgress& progress)
{
    const QString remembered = printers::currentPrinter();
    switchToPrinter(request.printerName);
    const QString printerName = printers::currentPrinter();
    struct SwitchBack
    {
        QString name;
        ~SwitchBack() { switchToPrinter(name); }
    } switchBack{remembered};

    const qint32 copies = request.copies;
    progress.setMaxima(job.pageCount(), job.pageCount() * std::max(copies, 0));
    const bool fax = request.destination == Destination::FaxPrinter;
    if (fax)
        registryvalues::setString(registryvalues::Root::CurrentUser, QString::fromLatin1(FaxNumberKey),
                                  QString::fromLatin1(FaxNumberValue), request.faxNumber);
    if (copies < 1)
        return OutputOutcome::done();
    if (printerName.isEmpty())
        return OutputOutcome::failure(QStringLiteral("Es ist kein Drucker eingerichtet."));

    const double widest = pages::widestLineInches(job);
    JobPages pages(job);
    for (qint32 copy = 1; copy <= copies; ++copy) {
        QPrinter printer(QPrinter::HighResolution);
        printers::preparePrinter(printer, printerName, job.landscape, pages::documentTitle(job));
        if (fax && !job.settings.faxOption.isEmpty())
            printers::setJobOption(printer, job.settings.faxOption, request.faxNumber);
        Canvas dc(&printer);
        if (!beginDocument(dc, printer.docName()))
            return OutputOutcome::failure(QStringLiteral("Der Drucker \"%1\" kann nicht drucken.").arg(printerName));
        dc.setWidestLineInches(widest);
        const pages::PageGeometry geometry{dc.widthPixels(), dc.heightPixels()};
        pages::DocumentState state{job.settings.fontName};
        for (qint32 page = request.fromPage; page <= request.toPage; ++page) {
            progress.setValues(page, (copy - 1) * job.pageCount() + page);
            pages::drawJobPage(dc, job, pages.page(page), request, geometry, page == request.fromPage ? 1 : 0, state);
            progress.letEventsRun();
            if (page < request.toPage)
                nextPage(dc);
        }
        attachmentpages::printAttachmentPages(job.attachmentFiles, dc, {geometry.width, geometry.height}, job.landscape,
                                              progress);
        if (!endDocument(dc))
            return OutputOutcome::failure(
                QStringLiteral("Der Druckauftrag für \"%1\" konnte nicht an den Drucker übergeben werden.")
                    .arg(printerName));
    }
    return OutputOutcome::done();
}
