#pragma once

#include "pages/Output.h"

#include <QList>
#include <QString>

#include <functional>

class Job;

// The destinations a job can go to, in the order the print dialog lists them:
// "Pdf-Dokument", "e-Mail", then every installed printer in the order the system lists
// them; a printer whose name contains "FRITZfax" is a fax printer.
struct DestinationEntry
{
    QString name;
    Destination destination = Destination::None;
};
QList<DestinationEntry> destinationEntries();

// The request a job's remembered choices make, for a job output without its dialog (hidden
// and started by its countdown): the remembered destination (the first entry when it is
// no longer there), copies, picture mode and picture, watermark, all pages, the job's own
// recipients and fax number.
OutputRequest rememberedRequest(const Job& job);

// Runs the output the request asks for, and what follows it for a job whose dialog is
// shown: a new PDF opened (PDFShow) or named in a "Hinweis" box (PDFMSG). Never throws.
OutputOutcome runOutput(const Job& job, const OutputRequest& request, OutputProgress& progress, bool shown);

// Test hook: when set, runOutput hands the job and request to it instead of an output.
std::function<OutputOutcome(const Job&, const OutputRequest&)>& outputHook();
