#include "dialog/OutputDispatch.h"

#include "dialog/PrinterOutput.h"
#include "job/Job.h"
#include "pages/PictureFiles.h"
#include "pdf/MailOutput.h"
#include "pdf/PdfOutput.h"
#include "platform/Folders.h"
#include "platform/MessageBox.h"
#include "platform/Printers.h"
#include "platform/ShellOpen.h"
#include "settings/ReadingRules.h"

#include <QFileInfo>

#include <memory>

namespace {

std::unique_ptr<Output> outputFor(Destination destination)
{
    switch (destination) {
    case Destination::Pdf:
        return std::make_unique<PdfOutput>();
    case Destination::Mail:
        return std::make_unique<MailOutput>();
    case Destination::Printer:
    case Destination::FaxPrinter:
        return std::make_unique<PrinterOutput>();
    case Destination::None:
        break;
    }
    return nullptr;
}

// What the user asked to happen with a new PDF: with PDFShow it is opened with the
// desktop's reader, else with PDFMSG a "Hinweis" box names it.
void showNewPdf(const JobSettings& settings, const QString& file)
{
    if (settings.pdfShow) {
        shell::open(file, QStringLiteral("1"), settings.pdfFolder);
    } else if (settings.pdfMessage) {
        msgbox::show(QStringLiteral("PDF-Dokument mit Dateiname ") + QStringLiteral("\r\n") +
                         QFileInfo(file).fileName() + QStringLiteral("\r\n") + QStringLiteral("erzeugt !"),
                     QStringLiteral("Hinweis"));
    }
}

} // namespace

QList<DestinationEntry> destinationEntries()
{
    QList<DestinationEntry> entries{{QStringLiteral("Pdf-Dokument"), Destination::Pdf},
                                    {QStringLiteral("e-Mail"), Destination::Mail}};
    for (const QString& name : printers::installedPrinters()) {
        const bool fax = name.contains(QLatin1StringView("FRITZfax"), Qt::CaseSensitive) || printers::isFaxQueue(name);
        entries.append({name, fax ? Destination::FaxPrinter : Destination::Printer});
    }
    return entries;
}

OutputRequest rememberedRequest(const Job& job)
{
    const JobSettings& settings = job.settings;
    OutputRequest request;
    const QList<DestinationEntry> entries = destinationEntries();
    DestinationEntry chosen = entries.first();
    for (const DestinationEntry& entry : entries) {
        if (entry.name == settings.destination) {
            chosen = entry;
            break;
        }
    }
    request.destination = chosen.destination;
    request.printerName = chosen.name;
    request.copies = std::clamp(rules::wholeNumber(settings.copies), -32768, 32767);
    request.fromPage = 1;
    request.toPage = job.pageCount();
    request.pictureMode = settings.pictureMode;
    if (!settings.picture.isEmpty())
        request.picture = picturefiles::load(folders::findIn(folders::programFolder(), settings.picture),
                                             picturefiles::Source::Program)
                              .value_or(QImage());
    const qsizetype watermark = job.watermarkNames.indexOf(settings.watermark);
    if (watermark >= 1 && watermark <= job.watermarks.size())
        request.watermark = job.watermarks[watermark - 1];
    request.mailTo = job.mailTo;
    request.faxNumber = job.faxNumber;
    return request;
}

std::function<OutputOutcome(const Job&, const OutputRequest&)>& outputHook()
{
    static std::function<OutputOutcome(const Job&, const OutputRequest&)> hook;
    return hook;
}

OutputOutcome runOutput(const Job& job, const OutputRequest& request, OutputProgress& progress, bool shown)
{
    try {
        if (outputHook())
            return outputHook()(job, request);
        const std::unique_ptr<Output> output = outputFor(request.destination);
        if (!output)
            return OutputOutcome::done(); // no destination chosen: nothing to output, which is not a failure
        const OutputOutcome outcome = output->run(job, request, progress);
        if (outcome.ok() && shown && request.destination == Destination::Pdf)
            showNewPdf(job.settings, outcome.file);
        return outcome;
    } catch (...) {
        return OutputOutcome::failure(QStringLiteral("Die Ausgabe wurde durch einen unerwarteten Fehler abgebrochen."));
    }
}
