#pragma once

#include <QString>

// What an output reports to whoever started it, and what each step of an output reports
// to the output (a PDF document begun or ended). The outputs only report; the print
// dialog alone decides what the user sees:
// - Done: the job went out; the dialog unloads unless "repeat" is set. A PDF is then
//   opened or named in a "Hinweis" box, as the settings ask.
// - Failed: nothing went out and nothing half-made is left; `message` is the German text
//   for the user naming the cause and the file, folder or printer. The dialog shows it
//   and stays open, so the job is never lost by a failed output.
// - Cancelled: the user stopped the output; the dialog stays open and shows nothing.
struct OutputOutcome
{
    enum class Status
    {
        Done,
        Failed,
        Cancelled
    };

    Status status = Status::Done;
    QString message;      // for Failed; empty otherwise
    QString file;         // a PDF output's document (also a mail's, even when the mail failed)
    QString documentName; // a PDF output's base name as the user gave it in the name dialog

    static OutputOutcome done() { return {}; }
    static OutputOutcome failure(const QString& message) { return {Status::Failed, message, {}, {}}; }
    static OutputOutcome cancellation() { return {Status::Cancelled, {}, {}, {}}; }

    bool ok() const { return status == Status::Done; }
    bool failed() const { return status == Status::Failed; }
};
