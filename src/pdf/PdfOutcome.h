#pragma once

#include <QString>

// What a step of PDF creation reports to the output that drives it: done, or failed
// with a German message for the user that names the cause and the file or folder.
// The output decides what the user sees and whether the print dialog stays open.
struct PdfOutcome
{
    enum class Status
    {
        Done,
        Failed
    };

    Status status = Status::Done;
    QString message; // empty when done

    static PdfOutcome done() { return {}; }
    static PdfOutcome failed(const QString& message) { return {Status::Failed, message}; }

    bool ok() const { return status == Status::Done; }
};
