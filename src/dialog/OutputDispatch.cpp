#include "frmGUI.h"

#include "MailOutput.h"
#include "PdfOutput.h"
#include "PrinterOutput.h"
#include "ReadingRules.h"
#include "ServerSettings.h"

#include <algorithm>

namespace {

// A range box as a page number: its whole number clamped to 1..PageCount, or the
// fallback when the box does not start with a number.
qint32 pageFromBox(const QString& text, qint32 fallback, qint32 pageCount)
{
    if (pageCount < 1)
        return fallback;
    const QString trimmed = text.trimmed();
    const bool numeric =
        !trimmed.isEmpty() && (trimmed[0].isDigit() || trimmed[0] == u'+' || trimmed[0] == u'-' || trimmed[0] == u'.');
    const qint32 page = numeric ? rules::wholeNumber(trimmed) : fallback;
    return std::clamp(page, 1, std::max(pageCount, 1));
}

} // namespace

bool frmGUI::chosenPageRange(qint32& from, qint32& to) const
{
    const int range = rangeOption();
    if (range == 0) {
        from = 1;
        to = PageCount();
    } else if (range == 1) {
        from = pageFromBox(fromPageText(), 1, PageCount());
        to = pageFromBox(toPageText(), PageCount(), PageCount());
    }
    return range == 0 || range == 1;
}

OutputOutcome frmGUI::PrintToDevice(qint16 Ausgabe, QObject* /*frmPS*/, qint16 Index)
{
    chosenPageRange(FromPage, ToPage);

    switch (Ausgabe) {
    case 3:
    case 4:
        return PrintToPrinter(*this, Index);
    case 5: {
        const PdfOutcome pdf = outputPdfAndReport(*this, Index, OnlyBackground);
        if (!pdf.ok())
            return {OutputOutcome::Status::Failed, pdf.message};
        return {OutputOutcome::Status::Done, {}};
    }
    case 2: {
        // The mailed PDF goes with MailDelete whatever became of the mail.
        QString stamp;
        const MailOutcome mail = PrintToMail(*this, Index, stamp);
        if (ServerSettings().MailDelete)
            deleteMailedPdf(mail);
        if (!mail.ok())
            return OutputOutcome::failure(mail.result.message);
        return OutputOutcome::done();
    }
    default:
        return {OutputOutcome::Status::Nothing, {}};
    }
}
