#pragma once

#include "platform/MailTransport.h"

#include <QByteArray>

#include <optional>

typedef void CURL;
typedef void CURLM;

// Mail straight to an SMTP server through libcurl, as one MIME message: the body as
// UTF-8 text, each attachment in base64 with its file name, and Date and Message-ID
// headers. Bcc recipients get the mail but appear in no header.
//
// Sign-on connects and logs in (when a name is given), so a wrong name or password
// fails there; send then uses the same connection. The connection is encrypted with
// STARTTLS whenever the server offers it, and from the start with smtps://. A password
// travels unencrypted only to a server on this computer (localhost or a loopback
// address): for any other host a server without STARTTLS fails the sign-on. Certificates
// are checked except on loopback, where the traffic never leaves the machine and local
// relays commonly use a self-signed one.
class SmtpTransport final : public MailTransport
{
public:
    explicit SmtpTransport(const SmtpAccount& account);
    ~SmtpTransport() override;
    SmtpTransport(const SmtpTransport&) = delete;
    SmtpTransport& operator=(const SmtpTransport&) = delete;

    MailResult signOn(const QString& name, const QString& password) override;
    MailResult send(const MailMessage& message) override;
    void signOff() override;

    // Whether the host of a server URL is this computer by its name or address:
    // "localhost" or a loopback address (127.0.0.0/8, ::1). Other names are not resolved.
    static bool isLoopbackHost(const QString& host);

private:
    int perform();
    QString describeFailure(int code) const;
    void noteProtocolLine(bool fromServer, const char* data, size_t size);

    SmtpAccount m_account;
    QString m_login;
    CURLM* m_multi = nullptr;
    CURL* m_easy = nullptr;
    QByteArray m_errorBuffer;
    // What the server said in the running transfer: its last answer, its first refusal,
    // and the recipient that refusal answered (when it answered a RCPT command).
    QByteArray m_lastReply;
    QByteArray m_refusal;
    std::optional<QByteArray> m_refusedRecipient;
    std::optional<QByteArray> m_pendingRecipient; // the address of the last command when it was RCPT

    friend struct SmtpCallbacks;
};
