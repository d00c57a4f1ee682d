#include "frmGUI.h"

#include "MailOutput.h"
#include "MessageBox.h"
#include "PdfOutput.h"
#include "PrinterOutput.h"
#include "ReadingRules.h"
#include "ServerSettings.h"
#include "ShellOpen.h"

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

// What the user asked to happen with a new PDF: with PDFShow it is opened with the
// desktop's reader, else with PDFMSG a "Hinweis" box names it.
void showNewPdf(const QString& baseName)
{
    const ServerSettingsRecord& settings = ServerSettings();
    if (settings.PDFShow) {
        shell::open(pdfFilePath(baseName), QStringLiteral("1"), settings.PDFFolder);
    } else if (settings.PDFMSG) {
        msgbox::show(QStringLiteral("PDF-Dokument mit Dateiname ") + QStringLiteral("\r\n") + baseName +
                         QStringLiteral(".pdf") + QStringLiteral("\r\n") + QStringLiteral("erzeugt !"),
                     QStringLiteral("Hinweis"));
    }
}

} // namespace

bool frmGUI::chosenPageRange(qint32& from, qint32& to) const
{
    const int range = rangeOption();
    if (range == 0) {
        from = 1;
        to = m_job.PageCount();
    } else if (range == 1) {
        from = pageFromBox(fromPageText(), 1, m_job.PageCount());
        to = pageFromBox(toPageText(), m_job.PageCount(), m_job.PageCount());
    }
    return range == 0 || range == 1;
}

OutputOutcome frmGUI::PrintToDevice(qint16 Ausgabe, QObject* /*frmPS*/, qint16 Index)
{
    chosenPageRange(m_context.FromPage, m_context.ToPage);

    switch (Ausgabe) {
    case 3:
    case 4:
        return PrintToPrinter(*this, Index);
    case 5: {
        // A job that runs unseen shows nothing of its new file.
        QString stamp;
        const OutputOutcome pdf = PrintToPdf(m_context, Index, stamp);
        if (pdf.ok() && !m_job.OnlyBackground)
            showNewPdf(pdfBaseName(m_job.pdfName, stamp));
        return pdf;
    }
    case 2: {
        // The mailed PDF goes with MailDelete whatever became of the mail.
        QString stamp;
        const MailOutcome mail = PrintToMail(m_context, Index, stamp);
        if (ServerSettings().MailDelete)
            deleteMailedPdf(mail);
        return mail.result;
    }
    default:
        // No destination chosen: nothing to output, which is not a failure.
        return OutputOutcome::done();
    }
}
