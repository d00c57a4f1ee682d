#pragma once

#include "OutputOutcome.h"

#include <QString>
#include <QStringList>
#include <QtGlobal>

class OutputContext;

// The output for destination "e-Mail": the job as a PDF (PrintToMailPdf) attached to a
// mail to the slot's e-mail box, the job's Cc and Bcc recipients, with the job's
// subject and body or the settings' defaults, and the job's further attachments.
//
// The mail settings are read from section Pserver of the job's settings file: MailName
// and MailPW to sign on, MailDirect ("0" or absent: the mail program's window shows the
// mail first; anything else sends it at once), SmtpServer and MailFrom for sending
// without the window, Betreff and MailText as subject and body when the job names none.

struct MailOutcome
{
    // Done, or failed with the German message for the user: "Maileinstellungen
    // fehlerhaft!" and the cause when no mail could be prepared (PDF, session), a cause of
    // its own when the prepared mail was not sent.
    OutputOutcome result;
    // The PDF this output made; empty when none was made.
    QString pdfPath;
    // The mail went to the mail program's window, which may read the PDF only when the
    // user sends it there.
    bool shownInWindow = false;

    bool ok() const { return result.ok(); }
};

// `stamp` receives the document stamp of the PDF (empty when the PDF failed before it
// was made). Lets window messages run while the mail is sent.
MailOutcome PrintToMail(OutputContext& dialog, qint32 Index, QString& stamp);

// Deletes the PDF a mail output made (setting MailDelete), whether the mail went out or
// not. A PDF shown in the mail program's window is deleted when the program ends, as the
// mail program may still need it then; nothing is deleted when no PDF was made.
void deleteMailedPdf(const MailOutcome& mail);

// An address list as the output reads it: every ";" counts as ",", the parts between
// are taken as they stand (blanks kept, an empty part is an empty address), and an
// empty list has no parts.
QStringList addressListParts(const QString& list);
