#pragma once

#include <QString>

// What an output reports back to the print dialog. The dialog decides what the user sees:
// Failed shows the message in a German message box and keeps the dialog open, so a job is
// never lost by a failed output; Nothing means the destination asked for no output at all
// (an unknown output kind) and is treated like Done.
struct OutputOutcome
{
    enum class Status
    {
        Done,
        Failed,
        Nothing
    };
    Status status = Status::Done;
    QString message; // German text naming the cause, for Failed

    bool failed() const { return status == Status::Failed; }

    static OutputOutcome done() { return {}; }
    static OutputOutcome nothing() { return {Status::Nothing, QString()}; }
    static OutputOutcome failure(const QString& message) { return {Status::Failed, message}; }
};
