#include "MailOutput.h"

#include "CodePage.h"
#include "MailTransport.h"
#include "OutputContext.h"
#include "PdfOutput.h"
#include "ReadingRules.h"
#include "SafeFiles.h"
#include "ServerSettings.h"
#include "modAnhang.h"

#include <QFile>
#include <QStringDecoder>

#include <algorithm>
#include <memory>

namespace {

const QString FailurePrefix = QStringLiteral("Maileinstellungen fehlerhaft!\r\n");
const QString NotSentPrefix = QStringLiteral("Die Mail wurde nicht gesendet.\r\n");

QString mailSetting(const QString& file, const keys::Key& key, int bufferSize = 255)
{
    return rules::readString(file, keys::Pserver, key.key(), key.fallback(), bufferSize);
}

void addRecipients(MailMessage& message, const QString& list, MailRecipient::Kind kind)
{
    for (const QString& part : addressListParts(list))
        message.recipients.append({part, part, kind});
}

QString subjectOf(const Job& job, const QString& settingsFile)
{
    QString subject = rules::trimBlanks(job.SubjectMail).toString();
    if (subject.isEmpty())
        subject = mailSetting(settingsFile, keys::Betreff);
    subject = rules::trimBlanks(subject).toString();
    subject.remove(QChar(u'\0'));
    return subject;
}

// The body file's bytes as they are: UTF-8 when they are valid UTF-8, else text in the
// DOS code page the print files come in, as the DOS program that names the file wrote
// it. A file that cannot be read, is no regular file or is too large gives no body.
QString bodyFromFile(const QString& path)
{
    const std::optional<QByteArray> content = safefiles::readRegularFile(path, safefiles::LargestMailText);
    if (!content)
        return QString();
    const QByteArray& bytes = *content;
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(bytes);
    return utf8.hasError() ? codepage::decode(bytes, codepage::fromSettings()) : text;
}

QString bodyOf(const Job& job, const QString& settingsFile)
{
    if (!job.TextEmail.isEmpty())
        return bodyFromFile(job.TextEmail);
    QString text = rules::readRaw(settingsFile, keys::Pserver, keys::MailText.key(), QString(), 4096);
    text.replace(u'|', QStringLiteral("\r\n"));
    return rules::trimBlanks(text).toString();
}

QStringList& pdfsShownInWindow()
{
    // Deleted when the program ends: the mail program reads an attachment when the user
    // sends the mail, which may be long after the window opened.
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

} // namespace

QStringList addressListParts(const QString& list)
{
    if (list.isEmpty())
        return {};
    QString commas = list;
    commas.replace(u';', u',');
    return commas.split(u',');
}

MailOutcome PrintToMail(OutputContext& dialog, qint32 Index, QString& stamp)
{
    MailOutcome mail;
    Job& job = dialog.job();
    const qint16 slot = qint16(std::clamp<qint32>(Index, 0, 0x7fff));

    const OutputOutcome pdf = PrintToMailPdf(dialog, Index, stamp);
    if (!pdf.ok()) {
        mail.result = OutputOutcome::failure(FailurePrefix + pdf.message);
        return mail;
    }
    mail.pdfPath = pdfFilePath(pdfBaseName(job.pdfName, stamp));

    // The settings come from the job's settings file, read now: another job may load its
    // own while this mail is sent.
    const QString settingsFile = job.IniFile().isEmpty() ? job.defaultSettingsFile() : job.IniFile();
    const bool showWindow =
        rules::readRaw(settingsFile, keys::Pserver, keys::MailDirect.key(), keys::MailDirect.fallback())
            .startsWith(u'0');
    const QString name = mailSetting(settingsFile, keys::MailName);
    QString from = mailSetting(settingsFile, keys::MailFrom);
    if (from.isEmpty())
        from = name;
    const std::unique_ptr<MailTransport> transport =
        openMailTransport(showWindow, {mailSetting(settingsFile, keys::SmtpServer), from});

    const MailResult session = transport->signOn(name, mailSetting(settingsFile, keys::MailPW));
    if (!session.ok) {
        transport->signOff();
        mail.result = OutputOutcome::failure(FailurePrefix + session.message);
        return mail;
    }

    MailMessage message;
    addRecipients(message, dialog.mailRecipients(slot), MailRecipient::Kind::To);
    addRecipients(message, job.RecEMailCC, MailRecipient::Kind::Cc);
    addRecipients(message, job.RecEMailBCC, MailRecipient::Kind::Bcc);
    message.subject = subjectOf(job, settingsFile);
    message.body = bodyOf(job, settingsFile);
    message.attachments << mail.pdfPath;
    forEachAttachment(job.AnHaenge, [&](const QString& path) { message.attachments << path; });

    const MailResult sent = transport->send(message);
    transport->signOff();
    mail.shownInWindow = showWindow && sent.ok;
    if (!sent.ok)
        mail.result = OutputOutcome::failure(NotSentPrefix + sent.message);
    return mail;
}

void deleteMailedPdf(const MailOutcome& mail)
{
    if (mail.pdfPath.isEmpty())
        return;
    if (mail.shownInWindow)
        pdfsShownInWindow().append(mail.pdfPath);
    else
        QFile::remove(mail.pdfPath);
}
