#include "platform/SmtpTransport.h"

#include "platform/MessagePump.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QSysInfo>
#include <QUrl>
#include <QUuid>

#include <arpa/inet.h>
#include <curl/curl.h>

#include <algorithm>

namespace {

// The server's answers are awaited this long before the mail counts as not sent; a
// server that accepts no bytes for a minute has gone away.
constexpr long ConnectTimeoutSeconds = 30;
constexpr long ResponseTimeoutSeconds = 60;
constexpr long StalledSeconds = 60;

QString serverUrl(const QString& server)
{
    const QString trimmed = server.trimmed();
    return trimmed.contains(QStringLiteral("://")) ? trimmed : QStringLiteral("smtp://") + trimmed;
}

// Header text without control characters, so no value can start a header of its own.
QByteArray headerSafe(const QString& text)
{
    QString clean;
    for (QChar c : text)
        clean.append(c.unicode() < 0x20 || c.unicode() == 0x7f ? QChar(u' ') : c);
    return clean.toUtf8();
}

bool isPlainAscii(const QByteArray& bytes)
{
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return c >= 0x20 && c < 0x7f; });
}

// Text as RFC 2047 encoded words of at most 75 characters, folded onto continuation
// lines; each word holds whole characters, so every word decodes on its own.
QByteArray encodedWords(const QString& text)
{
    constexpr qsizetype MaxBytesPerWord = 45; // 60 base64 characters + 12 of framing
    QList<QByteArray> words;
    QByteArray chunk;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype length = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QByteArray bytes = text.mid(i, length).toUtf8();
        i += length - 1;
        if (chunk.size() + bytes.size() > MaxBytesPerWord) {
            words << chunk;
            chunk.clear();
        }
        chunk += bytes;
    }
    if (!chunk.isEmpty())
        words << chunk;
    QByteArray out;
    for (const QByteArray& word : words) {
        if (!out.isEmpty())
            out += "\r\n ";
        out += "=?UTF-8?B?" + word.toBase64() + "?=";
    }
    return out;
}

QByteArray unstructuredHeader(const char* name, const QString& value)
{
    const QByteArray bytes = headerSafe(value);
    return QByteArray(name) + ": " + (isPlainAscii(bytes) ? bytes : encodedWords(QString::fromUtf8(bytes)));
}

QByteArray quoted(const QByteArray& ascii)
{
    QByteArray out = ascii;
    out.replace('\\', "\\\\").replace('"', "\\\"");
    return '"' + out + '"';
}

// The address itself: the part inside "<...>" when the text has one, else the text
// without the blanks around it. No angle bracket or blank is left in it: the address goes
// between "<" and ">" on the wire, where anything after a ">" would be read as parameters
// of the command (a size, a notification request).
QByteArray envelopeAddress(const QString& text)
{
    const qsizetype open = text.lastIndexOf(u'<');
    const qsizetype close = text.lastIndexOf(u'>');
    const QString address = open >= 0 && close > open ? text.mid(open + 1, close - open - 1) : text;
    QByteArray bytes = headerSafe(address.trimmed());
    bytes.removeIf([](char c) { return c == ' ' || c == '<' || c == '>'; });
    return bytes;
}

QByteArray addressHeader(const char* name, const MailMessage& message, MailRecipient::Kind kind)
{
    QByteArrayList addresses;
    for (const MailRecipient& r : message.recipients) {
        const QByteArray address = envelopeAddress(r.address);
        if (r.kind == kind && !address.isEmpty())
            addresses << address;
    }
    return addresses.isEmpty() ? QByteArray() : QByteArray(name) + ": " + addresses.join(", ");
}

QByteArray messageId(const QByteArray& from)
{
    const qsizetype at = from.lastIndexOf('@');
    QByteArray domain = at >= 0 ? from.mid(at + 1) : headerSafe(QSysInfo::machineHostName());
    if (domain.isEmpty() || !isPlainAscii(domain))
        domain = "druckserver.invalid";
    return '<' + QUuid::createUuid().toString(QUuid::WithoutBraces).toLatin1() + '@' + domain + '>';
}

// Lines end in CR LF, as mail requires; a lone LF or CR from a body file counts as one.
QByteArray mailLines(const QString& body)
{
    QString text = body;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    text.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    return text.toUtf8();
}

// Content-Type and Content-Disposition of an attachment. A name with characters beyond
// ASCII is given both ways mail programs read: RFC 2231 for the disposition and an
// encoded word for the type's name.
curl_slist* attachmentHeaders(const QString& path)
{
    const QString name = QFileInfo(path).fileName();
    const QByteArray type = QMimeDatabase().mimeTypeForFile(path, QMimeDatabase::MatchExtension).name().toLatin1();
    const QByteArray utf8 = headerSafe(name);
    QByteArray typeName, fileName;
    if (isPlainAscii(utf8)) {
        typeName = "name=" + quoted(utf8);
        fileName = "filename=" + quoted(utf8);
    } else {
        typeName = "name=\"" + encodedWords(name).replace("\r\n ", " ") + '"';
        fileName = "filename*=UTF-8''" + utf8.toPercentEncoding();
    }
    curl_slist* headers = curl_slist_append(nullptr, "Content-Type: " + type + "; " + typeName);
    return curl_slist_append(headers, "Content-Disposition: attachment; " + fileName);
}

} // namespace

struct SmtpCallbacks
{
    static size_t discard(char*, size_t size, size_t count, void*) { return size * count; }

    static int debug(CURL*, curl_infotype type, char* data, size_t size, void* self)
    {
        if (type == CURLINFO_HEADER_IN || type == CURLINFO_HEADER_OUT)
            static_cast<SmtpTransport*>(self)->noteProtocolLine(type == CURLINFO_HEADER_IN, data, size);
        return 0;
    }
};

SmtpTransport::SmtpTransport(const SmtpAccount& account) : m_account(account), m_errorBuffer(CURL_ERROR_SIZE, '\0')
{
    static const bool initialised = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    Q_UNUSED(initialised);
}

SmtpTransport::~SmtpTransport()
{
    signOff();
}

bool SmtpTransport::isLoopbackHost(const QString& host)
{
    QString name = host.toLower();
    if (name.endsWith(u'.'))
        name.chop(1);
    if (name == u"localhost" || name.endsWith(QStringLiteral(".localhost")))
        return true;
    if (name.startsWith(u'[') && name.endsWith(u']'))
        name = name.mid(1, name.size() - 2);
    const QByteArray literal = name.toLatin1();
    in_addr v4{};
    if (inet_pton(AF_INET, literal.constData(), &v4) == 1)
        return (ntohl(v4.s_addr) >> 24) == 127;
    in6_addr v6{};
    if (inet_pton(AF_INET6, literal.constData(), &v6) == 1)
        return IN6_IS_ADDR_LOOPBACK(&v6) || (IN6_IS_ADDR_V4MAPPED(&v6) && v6.s6_addr[12] == 127);
    return false;
}

void SmtpTransport::noteProtocolLine(bool fromServer, const char* data, size_t size)
{
    QByteArray line(data, qsizetype(size));
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    if (fromServer) {
        m_lastReply = line;
        if (m_refusal.isEmpty() && (line.startsWith('4') || line.startsWith('5'))) {
            m_refusal = line;
            m_refusedRecipient = m_pendingRecipient;
        }
        return;
    }
    // Only recipient commands are kept: login lines carry the password.
    m_pendingRecipient.reset();
    if (line.startsWith("RCPT TO:<"))
        m_pendingRecipient = line.mid(9, line.indexOf('>') - 9);
}

int SmtpTransport::perform()
{
    m_errorBuffer.fill('\0');
    m_lastReply.clear();
    m_refusal.clear();
    m_refusedRecipient.reset();
    m_pendingRecipient.reset();
    curl_multi_add_handle(m_multi, m_easy);
    int running = 1;
    CURLMcode status = CURLM_OK;
    while (status == CURLM_OK) {
        status = curl_multi_perform(m_multi, &running);
        if (status != CURLM_OK || running == 0)
            break;
        status = curl_multi_poll(m_multi, nullptr, 0, 20, nullptr);
        pump::letMessagesRun();
    }
    CURLcode result = status == CURLM_OK ? CURLE_OK : CURLE_FAILED_INIT;
    int left = 0;
    while (CURLMsg* done = curl_multi_info_read(m_multi, &left)) {
        if (done->msg == CURLMSG_DONE && done->easy_handle == m_easy)
            result = done->data.result;
    }
    // The connection stays in the multi handle's cache for the next transfer.
    curl_multi_remove_handle(m_multi, m_easy);
    return result;
}

MailResult SmtpTransport::signOn(const QString& name, const QString& password)
{
    signOff();
    // Name and password come from the settings only, so the policy below sees every secret.
    QUrl url(serverUrl(m_account.server));
    url.setUserInfo(QString());
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() || (scheme != u"smtp" && scheme != u"smtps"))
        return MailResult::failed(
            QStringLiteral(
                "Der Mailserver „%1“ ist keine Adresse der Form smtp://Server:Port oder smtps://Server:Port.")
                .arg(m_account.server));
    const bool loopback = isLoopbackHost(url.host());

    m_login = name;
    m_multi = curl_multi_init();
    m_easy = curl_easy_init();
    if (!m_multi || !m_easy)
        return MailResult::failed(QStringLiteral("Die Verbindung zum Mailserver konnte nicht vorbereitet werden."));

    curl_easy_setopt(m_easy, CURLOPT_URL, url.toString(QUrl::FullyEncoded).toUtf8().constData());
    curl_easy_setopt(m_easy, CURLOPT_ERRORBUFFER, m_errorBuffer.data());
    curl_easy_setopt(m_easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(m_easy, CURLOPT_CONNECTTIMEOUT, ConnectTimeoutSeconds);
    curl_easy_setopt(m_easy, CURLOPT_SERVER_RESPONSE_TIMEOUT, ResponseTimeoutSeconds);
    curl_easy_setopt(m_easy, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(m_easy, CURLOPT_LOW_SPEED_TIME, StalledSeconds);
    curl_easy_setopt(m_easy, CURLOPT_WRITEFUNCTION, &SmtpCallbacks::discard);
    curl_easy_setopt(m_easy, CURLOPT_DEBUGFUNCTION, &SmtpCallbacks::debug);
    curl_easy_setopt(m_easy, CURLOPT_DEBUGDATA, this);
    curl_easy_setopt(m_easy, CURLOPT_VERBOSE, 1L);

    const bool secret = !name.isEmpty() && !password.isEmpty();
    if (!name.isEmpty()) {
        curl_easy_setopt(m_easy, CURLOPT_USERNAME, name.toUtf8().constData());
        QByteArray pw = password.toUtf8();
        curl_easy_setopt(m_easy, CURLOPT_PASSWORD, pw.constData());
        pw.fill('\0');
    }
    curl_easy_setopt(m_easy, CURLOPT_USE_SSL, secret && !loopback ? long(CURLUSESSL_ALL) : long(CURLUSESSL_TRY));
    if (loopback) {
        curl_easy_setopt(m_easy, CURLOPT_SSL_VERIFYPEER, 0L);
        curl_easy_setopt(m_easy, CURLOPT_SSL_VERIFYHOST, 0L);
    }

    // A NOOP after the greeting, STARTTLS and the login proves the session usable.
    curl_easy_setopt(m_easy, CURLOPT_CUSTOMREQUEST, "NOOP");
    const int code = perform();
    curl_easy_setopt(m_easy, CURLOPT_CUSTOMREQUEST, nullptr);
    if (code != CURLE_OK) {
        const QString cause = describeFailure(code);
        signOff();
        return MailResult::failed(cause);
    }
    return MailResult::done();
}

MailResult SmtpTransport::send(const MailMessage& message)
{
    if (!m_easy)
        return MailResult::failed(QStringLiteral("Es besteht keine Verbindung zum Mailserver."));
    if (message.recipients.isEmpty())
        return MailResult::failed(QStringLiteral("Die Mail hat keinen Empfänger."));

    const QByteArray from = envelopeAddress(m_account.from);
    curl_slist* recipients = nullptr;
    for (const MailRecipient& r : message.recipients)
        recipients = curl_slist_append(recipients, "<" + envelopeAddress(r.address) + ">");

    QByteArrayList lines;
    lines << "Date: " + QDateTime::currentDateTime().toString(Qt::RFC2822Date).toLatin1()
          << "Message-ID: " + messageId(from);
    if (!from.isEmpty())
        lines << "From: " + from;
    lines << addressHeader("To", message, MailRecipient::Kind::To)
          << addressHeader("Cc", message, MailRecipient::Kind::Cc) << unstructuredHeader("Subject", message.subject);
    curl_slist* headers = nullptr;
    for (const QByteArray& line : std::as_const(lines)) {
        if (!line.isEmpty())
            headers = curl_slist_append(headers, line.constData());
    }

    curl_mime* mime = curl_mime_init(m_easy);
    curl_mimepart* text = curl_mime_addpart(mime);
    const QByteArray body = mailLines(message.body);
    curl_mime_data(text, body.constData(), size_t(body.size()));
    curl_mime_type(text, "text/plain; charset=UTF-8");
    curl_mime_encoder(text, "quoted-printable");
    for (const QString& path : message.attachments) {
        curl_mimepart* part = curl_mime_addpart(mime);
        curl_mime_filedata(part, QFile::encodeName(path).constData());
        curl_mime_filename(part, nullptr); // the headers below name it
        curl_mime_encoder(part, "base64");
        curl_mime_headers(part, attachmentHeaders(path), 1);
    }

    if (!from.isEmpty())
        curl_easy_setopt(m_easy, CURLOPT_MAIL_FROM, ("<" + from + ">").constData());
    curl_easy_setopt(m_easy, CURLOPT_MAIL_RCPT, recipients);
    curl_easy_setopt(m_easy, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(m_easy, CURLOPT_MIMEPOST, mime);
    const int code = perform();
    curl_easy_setopt(m_easy, CURLOPT_MIMEPOST, nullptr);
    curl_easy_setopt(m_easy, CURLOPT_HTTPHEADER, nullptr);
    curl_easy_setopt(m_easy, CURLOPT_MAIL_RCPT, nullptr);
    curl_mime_free(mime);
    curl_slist_free_all(headers);
    curl_slist_free_all(recipients);
    return code == CURLE_OK ? MailResult::done() : MailResult::failed(describeFailure(code));
}

void SmtpTransport::signOff()
{
    if (m_easy)
        curl_easy_cleanup(m_easy);
    // Closing the cached connection says QUIT to the server.
    if (m_multi)
        curl_multi_cleanup(m_multi);
    m_easy = nullptr;
    m_multi = nullptr;
}

QString SmtpTransport::describeFailure(int code) const
{
    const QString server = m_account.server;
    const QString reply = QString::fromUtf8(m_refusal.isEmpty() ? m_lastReply : m_refusal);
    const QString detail = reply.isEmpty() ? QString::fromUtf8(m_errorBuffer.constData()) : reply;
    switch (code) {
    case CURLE_LOGIN_DENIED:
        return QStringLiteral("Der Mailserver %1 hat die Anmeldung als „%2“ abgelehnt: %3")
            .arg(server, m_login, detail);
    case CURLE_USE_SSL_FAILED:
        return QStringLiteral("Der Mailserver %1 bietet keine verschlüsselte Verbindung (STARTTLS) an. Ein Passwort "
                              "wird unverschlüsselt nur an einen Mailserver auf diesem Rechner gesendet; tragen Sie "
                              "eine smtps://-Adresse oder einen Server mit STARTTLS ein.")
            .arg(server);
    case CURLE_COULDNT_RESOLVE_HOST:
        return QStringLiteral("Der Mailserver %1 ist nicht erreichbar: Der Name ist unbekannt.").arg(server);
    case CURLE_COULDNT_CONNECT:
        return QStringLiteral("Der Mailserver %1 ist nicht erreichbar: Er nimmt keine Verbindung an.").arg(server);
    case CURLE_OPERATION_TIMEDOUT:
        return QStringLiteral("Der Mailserver %1 antwortet nicht.").arg(server);
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
        return QStringLiteral("Die verschlüsselte Verbindung zum Mailserver %1 kam nicht zustande: %2")
            .arg(server, QString::fromUtf8(m_errorBuffer.constData()));
    case CURLE_READ_ERROR:
        return QStringLiteral("Ein Anhang der Mail konnte nicht gelesen werden: %1")
            .arg(QString::fromUtf8(m_errorBuffer.constData()));
    default:
        break;
    }
    if (m_refusedRecipient)
        return QStringLiteral("Der Mailserver %1 hat den Empfänger „%2“ abgelehnt: %3")
            .arg(server, QString::fromUtf8(*m_refusedRecipient), detail);
    // A server that stops answering in the middle leaves its last reply (often the "354"
    // that invited the mail) behind; that reply is no reason.
    if (m_refusal.isEmpty() && (code == CURLE_SEND_ERROR || code == CURLE_RECV_ERROR || code == CURLE_GOT_NOTHING ||
                                code == CURLE_PARTIAL_FILE))
        return QStringLiteral("Die Verbindung zum Mailserver %1 brach während des Sendens ab; die Mail ist nicht "
                              "angekommen.")
            .arg(server);
    return QStringLiteral("Der Mailserver %1 hat die Mail nicht angenommen: %2").arg(server, detail);
}
