#pragma once

#include "pages/Output.h"

// Printer and fax output: one spooler document per copy, with the request's page range,
// background picture and watermark, and the job's attachment pages. For a fax queue the
// number goes with the document as the queue option FaxOption names (default "phone"),
// and is also left where a fax program of the system reads the number of the next
// document (the registry value "Rufnummer"). The current printer is switched to the
// request's printer for the output and back afterwards; with no printer of that name the
// current printer takes the document.
class PrinterOutput : public Output
{
public:
    OutputOutcome run(const Job& job, const OutputRequest& request, OutputProgress& progress) override;
};

// Where a fax program of the system takes the number of the next document from.
inline constexpr const char* FaxNumberKey = "Software\\AVM\\Fritz! 2.0\\FAX\\";
inline constexpr const char* FaxNumberValue = "Rufnummer";
