#include "pdf/MailOutput.h"

#include "engine/CodePage.h"
#include "job/Job.h"
#include "pdf/PdfOutput.h"
#include "platform/MailTransport.h"
#include "platform/SafeFiles.h"
#include "settings/JobFiles.h"
#include "settings/ReadingRules.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QTemporaryDir>

#include <memory>

namespace {

const QString FailurePrefix = QStringLiteral("Maileinstellungen fehlerhaft!\r\n");
const QString NotSentPrefix = QStringLiteral("Die Mail wurde nicht gesendet.\r\n");

void addRecipients(MailMessage& message, const QString& list, MailRecipient::Kind kind)
{
    for (const QString& part : addressListParts(list))
        message.recipients.append({part, part, kind});
}

QString subjectOf(const Job& job)
{
    QString subject = rules::trimBlanks(job.mailSubject).toString();
    if (subject.isEmpty())
        subject = job.settings.mailSubject;
    subject = rules::trimBlanks(subject).toString();
    subject.remove(QChar(u'\0'));
    return subject;
}

// The body file's bytes as they are: UTF-8 when they are valid UTF-8, else text in the
// DOS code page the print files come in, as the DOS program that names the file wrote
// it. A file that cannot be read, is no regular file or is too large gives no body.
QString bodyOf(const Job& job)
{
    if (!job.mailBodyName.isEmpty()) {
        const std::optional<QByteArray> content = JobFiles::read(job.mailBodyFile, safefiles::LargestMailText);
        if (!content)
            return QString();
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString text = utf8.decode(*content);
        return utf8.hasError() ? codepage::decode(*content, job.codePage) : text;
    }
    QString text = job.settings.mailText;
    text.replace(u'|', QStringLiteral("\r\n"));
    return rules::trimBlanks(text).toString();
}

// Files that must outlive this output: the PDFs and copies a mail program's window may
// still read when the user sends the mail there. Removed when the program ends.
QStringList& filesForTheWindow()
{
    static struct Pending
    {
        QStringList files;
        ~Pending()
        {
            for (const QString& file : files)
                QFile::remove(file);
        }
    } pending;
    return pending.files;
}

// Copies of the job's further attachments, each read without following symbolic links,
// in a private folder under their own names. Files that are gone are left out.
class AttachmentCopies
{
public:
    explicit AttachmentCopies(const QStringList& files)
    {
        for (const QString& file : files) {
            const std::optional<QByteArray> bytes = JobFiles::read(file, safefiles::LargestAttachment);
            if (!bytes)
                continue;
            // One folder per file keeps two attachments of the same name apart.
            const QString folder = m_dir.filePath(QString::number(m_paths.size()));
            const QString copy = folder + u'/' + QFileInfo(file).fileName();
            QFile out(copy);
            if (!QDir().mkpath(folder) || !out.open(QIODevice::WriteOnly) || out.write(*bytes) != bytes->size())
                continue;
            m_paths.append(copy);
        }
    }
    const QStringList& paths() const { return m_paths; }
    // The mail program reads them later: they stay until the program ends.
    void keepForTheWindow()
    {
        m_dir.setAutoRemove(false);
        filesForTheWindow().append(m_paths);
    }

private:
    QTemporaryDir m_dir{QDir::tempPath() + QStringLiteral("/druckserver-mail-XXXXXX")};
    QStringList m_paths;
};

void deletePdf(const QString& pdf, bool shownInWindow)
{
    if (pdf.isEmpty())
        return;
    if (shownInWindow)
        filesForTheWindow().append(pdf);
    else
        QFile::remove(pdf);
}

} // namespace

QStringList addressListParts(const QString& list)
{
    if (list.isEmpty())
        return {};
    QString commas = list;
    commas.replace(u';', u',');
    return commas.split(u',');
}

OutputOutcome MailOutput::run(const Job& job, const OutputRequest& request, OutputProgress& progress)
{
    const JobSettings& settings = job.settings;
    OutputOutcome pdf = makeMailPdf(job, request, progress);
    if (!pdf.ok()) {
        pdf.message = FailurePrefix + pdf.message;
        return pdf;
    }

    const bool showWindow = !settings.mailDirect;
    const QString from = settings.mailFrom.isEmpty() ? settings.mailName : settings.mailFrom;
    const std::unique_ptr<MailTransport> transport = openMailTransport(showWindow, {settings.smtpServer, from});
    OutputOutcome outcome;
    bool shown = false;
    const MailResult session = transport->signOn(settings.mailName, settings.mailPassword);
    if (!session.ok) {
        outcome = OutputOutcome::failure(FailurePrefix + session.message);
    } else {
        AttachmentCopies copies(job.attachmentFiles);
        MailMessage message;
        addRecipients(message, request.mailTo, MailRecipient::Kind::To);
        addRecipients(message, job.mailCc, MailRecipient::Kind::Cc);
        addRecipients(message, job.mailBcc, MailRecipient::Kind::Bcc);
        message.subject = subjectOf(job);
        message.body = bodyOf(job);
        message.attachments << pdf.file << copies.paths();
        const MailResult sent = transport->send(message);
        shown = showWindow && sent.ok;
        if (shown)
            copies.keepForTheWindow();
        if (!sent.ok)
            outcome = OutputOutcome::failure(NotSentPrefix + sent.message);
    }
    transport->signOff();
    if (settings.mailDeletePdf)
        deletePdf(pdf.file, shown);
    outcome.file = pdf.file;
    return outcome;
}
