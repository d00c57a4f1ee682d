#pragma once

#include "pages/Output.h"

#include <QStringList>

// The output "e-Mail": the job as a PDF (makeMailPdf) attached to a mail to the request's
// recipients, the job's Cc and Bcc recipients, with the job's subject and body or the
// settings' defaults, and the job's further attachments.
//
// The mail settings are the job's: MailName and MailPW to sign on, MailDirect (off: the
// mail program's window shows the mail first; on: it is sent at once), SmtpServer and
// MailFrom for sending without the window, Betreff and MailText as subject and body when
// the job names none. With MailDelete the PDF goes afterwards, whatever became of the mail
// (a PDF shown in the mail program's window when the program ends, as the mail program
// may still need it then).
//
// The further attachments are copied, read without following symbolic links, into a
// folder of the server's own and attached from there: what is sent is what the job could
// reach when it was sent, whatever is put in its place meanwhile.
//
// Failed outcomes: "Maileinstellungen fehlerhaft!" and the cause when no mail could be
// prepared (PDF, session), a cause of its own when the prepared mail was not sent. The
// outcome names the PDF when one was made.
class MailOutput : public Output
{
public:
    OutputOutcome run(const Job& job, const OutputRequest& request, OutputProgress& progress) override;
};

// An address list as the output reads it: every ";" counts as ",", the parts between
// are taken as they stand (blanks kept, an empty part is an empty address), and an
// empty list has no parts.
QStringList addressListParts(const QString& list);
