#pragma once

#include "pages/OutputOutcome.h"

#include <QImage>
#include <QString>
#include <QtGlobal>

class Job;

// Where a job goes.
enum class Destination
{
    None,       // nothing chosen: nothing to output
    Pdf,        // "Pdf-Dokument": a PDF file in the PDF folder
    Mail,       // "e-Mail": a PDF mailed as attachment
    Printer,    // a printer queue
    FaxPrinter, // a fax queue: the number goes with the document
};

// What one output of a job is asked to do: filled by the print dialog from its controls,
// or from the job's remembered choices when no dialog is shown. The outputs read the job
// and this request, never a window.
struct OutputRequest
{
    Destination destination = Destination::None;
    QString printerName; // Printer, FaxPrinter: the queue
    qint32 copies = 1;   // Printer, FaxPrinter; below 1: nothing is printed
    qint32 fromPage = 1; // the page range; from above to: no job page
    qint32 toPage = 0;
    qint16 pictureMode = 0; // background picture: 0 never, 1 on page 1 only, 2 on every page
    QImage picture;         // the background picture; none when null
    QString watermark;      // the watermark definition to draw; empty: none
    QString mailTo;         // Mail: the recipients (the dialog's box, else the job's)
    QString faxNumber;      // FaxPrinter: the number to dial
    QString documentName;   // Pdf, Mail: the file's name without ".pdf"; empty: the job's
};

// What an output reports while it runs, and the window it runs for. Every function has an
// empty default, so an output without a window needs none of them.
class OutputProgress
{
public:
    virtual ~OutputProgress() = default;
    // The page bar's maximum (pages of one copy) and the overall bar's (all pages of all copies).
    virtual void setMaxima(qint32 pages, qint32 total)
    {
        Q_UNUSED(pages);
        Q_UNUSED(total);
    }
    virtual void setValues(qint32 page, qint32 total)
    {
        Q_UNUSED(page);
        Q_UNUSED(total);
    }
    // Lets pending window messages run, so timers and other dialogs stay responsive.
    virtual void letEventsRun() {}
    // Asks for the base name of a PDF file in `folder`, proposing `proposed`, where the
    // settings want the user asked. An output without windows takes the proposed name.
    virtual QString askPdfName(const QString& folder, const QString& proposed)
    {
        Q_UNUSED(folder);
        return proposed;
    }
};

// One kind of output: printer, fax printer, PDF file or mail.
class Output
{
public:
    virtual ~Output() = default;
    virtual OutputOutcome run(const Job& job, const OutputRequest& request, OutputProgress& progress) = 0;
};
