#include "platform/MailTransport.h"

#include "platform/MailComposer.h"
#include "platform/SmtpTransport.h"

std::unique_ptr<MailTransport> openMailTransport(bool showWindow, const SmtpAccount& account)
{
    if (showWindow)
        return std::make_unique<MailComposer>();
    return std::make_unique<SmtpTransport>(account);
}
