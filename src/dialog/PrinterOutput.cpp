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
    const QString remembered = printers::currentPrinter();
    switchToPrinter(f.destinationText(Index));
    const QString printerName = printers::currentPrinter();

    const qint32 copies = copiesOf(f.copiesText(Index));
    f.setProgressMaximum(Index, f.PageCount(), f.PageCount() * std::max(copies, 0));

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
    const double widest = pages::widestLineInches(f, settings.SignPitch, f.LeftSpace);
    for (qint32 copy = 1; copy <= copies; ++copy) {
        QPrinter printer(QPrinter::HighResolution);
        printers::preparePrinter(printer, printerName, f.Landscape(), pages::documentTitle());
        Canvas dc(&printer);
        if (!STARTPRINT2(dc, printer.docName())) {
            outcome = OutputOutcome::failure(QStringLiteral("Der Drucker \"%1\" kann nicht drucken.").arg(printerName));
            break;
        }
        dc.setWidestLineInches(widest);
        const pages::PageGeometry geometry{dc.widthPixels(), dc.heightPixels()};
        for (qint32 page = f.FromPage; page <= f.ToPage; ++page) {
            f.setProgressValue(Index, page, (copy - 1) * f.PageCount() + page);
            pages::drawJobPage(dc, f, Index, page, geometry, page == f.FromPage ? 1 : 0, settings);
            if (page < f.ToPage) {
                NEXTPAGE(dc);
                f.processEvents();
            }
        }
        PrintImagePages(f.AnHaenge, dc, geometry.height, geometry.width, f.Picture2(), f.Landscape() ? 2 : 1);
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
