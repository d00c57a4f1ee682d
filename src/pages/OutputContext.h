#pragma once

#include "Job.h"
#include "PictureHolder.h"

#include <QtGlobal>

#include <memory>

class PdfComponent;
class QWidget;

// What an output routine reads from and reports to the print dialog that runs it: the
// job, the page range, the slot's picture mode and watermark choice, the two picture
// holders, and the slot's progress bars. The print dialog provides one; the command-line
// tools use one without any window (WindowlessContext).
class OutputContext
{
public:
    virtual ~OutputContext() = default;

    virtual Job& job() = 0;

    // The page range of the running output (set by the dispatcher before it outputs).
    qint32 FromPage = 0;
    qint32 ToPage = 0;

    // Background-picture mode of a slot: 2 every page, 1 page 1 only, anything else none.
    virtual qint16 PicPageMode(qint16 slot) const = 0;
    // Position of the slot's watermark entry: 0 is "Ohne", p >= 1 stands for the job's
    // watermark p - 1; below 0 when the list is empty.
    virtual qint32 WatermarkPosition(qint16 slot) const = 0;
    // The To recipients of a mail output: the slot's e-mail box; a context without a
    // dialog has no box and mails to the job's own recipients.
    virtual QString mailRecipients(qint16 /*slot*/) { return job().RecEMail; }
    // The chosen background picture (Picture1) and the work picture of the attachment
    // pages (Picture2).
    virtual PictureHolder& Picture1() = 0;
    virtual PictureHolder& Picture2() = 0;

    // The slot's two progress bars: pages of the running copy, and all pages of all copies.
    virtual void setProgressMaximum(qint16 slot, qint32 pages, qint32 total) = 0;
    virtual void setProgressValue(qint16 slot, qint32 pages, qint32 total) = 0;

    // Lets pending window messages run, so timers and other dialogs stay responsive
    // while an output runs.
    virtual void processEvents() {}

    // The window the output runs for, as the parent of a window the output opens (the PDF
    // name dialog); none for a context without a window.
    virtual QWidget* parentWindow() { return nullptr; }

    // What the PDF outputs (PdfOutput.h) keep with the context: the PDF component they
    // write through, made by the first of them and kept as long as the context lives, so
    // the values written to it persist from one output of the job to the next; and
    // whether one of them is running, so that a second one started meanwhile (a countdown
    // firing while the first lets events run) is refused instead of ending the first
    // one's document. This library does not know the component: the shared pointer
    // deletes it the way the PDF library made it.
    std::shared_ptr<PdfComponent> pdfComponent;
    bool pdfOutputRunning = false;
};
