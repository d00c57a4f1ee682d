#include "PrinterOutput.h"

#include "Canvas.h"
#include "PageDrawing.h"
#include "PrintEngine.h"
#include "Printers.h"
#include "ReadingRules.h"
#include "ServerSettings.h"
#include "VBRegEdit.h"
#include "frmGUI.h"
#include "modAnhang.h"

#include <QPrinter>

#include <cfenv>
#include <cmath>

namespace {

// Makes the first installed printer of that exact name the current printer; with none
// of that name the current printer stays.
void switchToPrinter(const QString& name)
{
    const QStringList installed = printers::installedPrinters();
    if (installed.contains(name))
        printers::setCurrentPrinter(name);
}

// The copies box as a 16-bit whole number, halves to even; nothing for text that does
// not start with a number.
qint32 copiesOf(const QString& text)
{
    const qint32 copies = rules::wholeNumber(text);
    return std::clamp<qint32>(copies, -32768, 32767);
}

} // namespace

OutputOutcome PrintToPrinter(frmGUI& f, qint16 Index)
{
    OutputContext& context = f.outputContext();
    const Job& job = f.job();
    const QString remembered = printers::currentPrinter();
    switchToPrinter(f.destinationText(Index));
    const QString printerName = printers::currentPrinter();

    const qint32 copies = copiesOf(f.copiesText(Index));
    context.setProgressMaximum(Index, job.PageCount(), job.PageCount() * std::max(copies, 0));

    if (f.destinationKind(Index) == 4)
        VBRegEdit::SetRegString(VBRegEdit::Root::CurrentUser, QString::fromLatin1(FaxNumberKey),
                                QString::fromLatin1(FaxNumberValue), f.faxNumberText(Index));

    OutputOutcome outcome;
    if (printerName.isEmpty() && copies >= 1) {
        outcome = OutputOutcome::failure(QStringLiteral("Es ist kein Drucker eingerichtet."));
        switchToPrinter(remembered);
        return outcome;
    }

    // The document keeps the settings it began with, whatever another job loads meanwhile.
    ServerSettingsRecord settings = ServerSettings();
    const double widest = pages::widestLineInches(job, settings.SignPitch, job.LeftSpace);
    for (qint32 copy = 1; copy <= copies; ++copy) {
        QPrinter printer(QPrinter::HighResolution);
        printers::preparePrinter(printer, printerName, job.Landscape(), pages::documentTitle());
        Canvas dc(&printer);
        if (!STARTPRINT2(dc, printer.docName())) {
            outcome = OutputOutcome::failure(QStringLiteral("Der Drucker \"%1\" kann nicht drucken.").arg(printerName));
            break;
        }
        dc.setWidestLineInches(widest);
        const pages::PageGeometry geometry{dc.widthPixels(), dc.heightPixels()};
        for (qint32 page = context.FromPage; page <= context.ToPage; ++page) {
            context.setProgressValue(Index, page, (copy - 1) * job.PageCount() + page);
            pages::drawJobPage(dc, context, Index, page, geometry, page == context.FromPage ? 1 : 0, settings);
            if (page < context.ToPage) {
                NEXTPAGE(dc);
                context.processEvents();
            }
        }
        PrintImagePages(job.AnHaenge, dc, geometry.height, geometry.width, context.Picture2(), job.Landscape() ? 2 : 1);
        if (!ENDPRINT(dc)) {
            outcome = OutputOutcome::failure(
                QStringLiteral("Der Druckauftrag für \"%1\" konnte nicht an den Drucker übergeben werden.")
                    .arg(printerName));
            break;
        }
    }

    switchToPrinter(remembered);
    return outcome;
}
