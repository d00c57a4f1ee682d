#pragma once

#include "platform/MailTransport.h"

// The mail shown in the desktop's mail composer through `xdg-email`, with every
// recipient, the subject, the body and the attachments filled in; the user sends or
// discards it there, from the mail program's own accounts. Sign-on has nothing to open.
//
// Send waits (letting window messages run) until `xdg-email` has handed the mail over;
// the mail program may read the attachments later, when the user sends. Without a
// graphical session nothing is started and send fails, so an unattended server never
// waits for a window nobody sees.
class MailComposer final : public MailTransport
{
public:
    MailResult signOn(const QString& name, const QString& password) override;
    MailResult send(const MailMessage& message) override;
    void signOff() override {}
};
