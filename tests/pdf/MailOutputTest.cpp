#include "MailOutput.h"
#include "PdfOutputTestSupport.h"
#include "SmtpPeer.h"

#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

// A job of two pages mailed straight to a peer that wants the login "max" / "geheim".
struct MailFixture : PdfFixture
{
    SmtpPeer peer;
    TestDialog dialog{2, 3};

    explicit MailFixture(const SmtpPeer::Options& options = {"127.0.0.1", "max", "geheim", false}) : peer(options)
    {
        EXPECT_TRUE(peer.isRunning()) << peer.error().toStdString();
        dirs.setSetting("Pserver", "SmtpServer", peer.url());
        dirs.setSetting("Pserver", "MailName", "max");
        dirs.setSetting("Pserver", "MailPW", "geheim");
        dirs.setSetting("Pserver", "MailDirect", "1");
        ServerSettings().PdfPrint = false;
    }

    MailOutcome mail()
    {
        QString stamp;
        return PrintToMail(dialog, 0, stamp);
    }
};

} // namespace

TEST(MailOutput, RecipientListsBecomeEnvelopeAndHeaders)
{
    MailFixture fx;
    Job& job = fx.dialog.job();
    job.RecEMail = "a@x.de; b@x.de";
    job.RecEMailCC = "c@x.de";
    job.RecEMailBCC = "d@x.de,e@x.de";
    ASSERT_TRUE(fx.mail().ok());
    ASSERT_EQ(fx.peer.mails().size(), 1);
    SmtpPeer::Mail mail = fx.peer.mails().last();
    EXPECT_EQ(mail.rcptTos, QStringList({"a@x.de", "b@x.de", "c@x.de", "d@x.de", "e@x.de"}));
    EXPECT_EQ(mail.headers["to"], "a@x.de, b@x.de");
    EXPECT_EQ(mail.headers["cc"], "c@x.de");
    EXPECT_FALSE(mail.headers.contains("bcc"));
    EXPECT_EQ(mail.login, "max");
    EXPECT_EQ(mail.mailFrom, "max") << "MailFrom defaults to MailName";
    EXPECT_TRUE(mail.headers.contains("date") && mail.headers["message-id"].startsWith('<'));

    // A trailing "," is a recipient with an empty address: this peer accepts "RCPT TO:<>",
    // so the mail goes out and the user sees nothing.
    job.RecEMailCC = "c@x.de,";
    job.RecEMailBCC.clear();
    ASSERT_TRUE(fx.mail().ok());
    mail = fx.peer.mails().last();
    EXPECT_EQ(mail.rcptTos, QStringList({"a@x.de", "b@x.de", "c@x.de", "<>"}));
    EXPECT_EQ(mail.headers["cc"], "c@x.de");

    // A recipient the server refuses: no mail, and the user reads the server's answer.
    job.RecEMailCC = "wer@unknown.test";
    const MailOutcome refused = fx.mail();
    EXPECT_FALSE(refused.ok());
    EXPECT_TRUE(refused.result.message.startsWith("Die Mail wurde nicht gesendet.\r\n"));
    EXPECT_TRUE(refused.result.message.contains("„wer@unknown.test“ abgelehnt: 550 5.1.1 Mailbox unavailable"))
        << refused.result.message.toStdString();
    EXPECT_EQ(fx.peer.mails().size(), 2);
}

TEST(MailOutput, SubjectBodyAndAttachmentsAsTheJobGivesThem)
{
    MailFixture fx;
    Job& job = fx.dialog.job();
    job.RecEMail = "a@x.de";
    job.SubjectMail = "  Rechnung für März ";
    fx.dirs.setSetting("Pserver", "Betreff", "nicht gelesen");
    fx.dirs.setSetting("Pserver", "MailText", "Guten Tag,|anbei die Rechnung.");
    const QString extra = TempFolders::writeFile(fx.dirs.root() + "/Lieferschein.txt", "Lieferschein\n");
    job.AnHaenge = fx.dirs.root() + "/fehlt.txt, " + extra;

    QString stamp;
    const MailOutcome sent = PrintToMail(fx.dialog, 0, stamp);
    ASSERT_TRUE(sent.ok()) << sent.result.message.toStdString();
    ASSERT_EQ(fx.peer.mails().size(), 1);
    const SmtpPeer::Mail mail = fx.peer.mails().last();
    EXPECT_EQ(mail.headers["subject"], "Rechnung für März");
    EXPECT_EQ(mail.body, "Guten Tag,\r\nanbei die Rechnung.");

    ASSERT_EQ(mail.attachments.size(), 2) << "the missing file is left out";
    EXPECT_EQ(mail.attachments[0].fileName, "PDFDOC" + stamp + ".pdf");
    EXPECT_EQ(mail.attachments[0].type, "application/pdf");
    EXPECT_EQ(mail.attachments[1].fileName, "Lieferschein.txt");
    const QStringList pages = pdftools::pageTexts(mail.attachments[0].path, true);
    ASSERT_EQ(pages.size(), 2);
    EXPECT_TRUE(pages[0].contains("P1Z1") && pages[0].contains("P1Z3") && pages[1].contains("P2Z3"));
    EXPECT_EQ(sent.pdfPath, fx.pdfFolder + "/PDFDOC" + stamp + ".pdf");
    EXPECT_TRUE(QFileInfo::exists(sent.pdfPath)) << "MailDelete is the dispatcher's";

    // No subject of its own: the setting's. A body file: its bytes, not MailText. A
    // named PDF: attached under that name, umlauts and all.
    job.SubjectMail.clear();
    job.TextEmail =
        TempFolders::writeFile(fx.dirs.root() + "/text.txt", "Sehr geehrte Frau M\xc3\xbcller,\r\n\r\nGru\xc3\x9f");
    job.pdfName = "Rechnung Müller";
    job.AnHaenge.clear();
    ASSERT_TRUE(PrintToMail(fx.dialog, 0, stamp).ok());
    const SmtpPeer::Mail second = fx.peer.mails().last();
    EXPECT_EQ(second.headers["subject"], "nicht gelesen");
    EXPECT_EQ(second.body, "Sehr geehrte Frau Müller,\r\n\r\nGruß");
    ASSERT_EQ(second.attachments.size(), 1);
    EXPECT_EQ(second.attachments[0].fileName, "Rechnung Müller.pdf");
}

TEST(MailOutput, ThePasswordTravelsEncryptedOrOnlyToThisComputer)
{
    // STARTTLS offered: used, and the login follows it.
    {
        MailFixture fx({"127.0.0.1", "max", "geheim", true});
        fx.dialog.job().RecEMail = "a@x.de";
        const MailOutcome sent = fx.mail();
        ASSERT_TRUE(sent.ok()) << sent.result.message.toStdString();
        ASSERT_EQ(fx.peer.mails().size(), 1);
        EXPECT_TRUE(fx.peer.mails().last().tls);
        EXPECT_EQ(fx.peer.mails().last().login, "max");
    }

    // Another host without STARTTLS: the sign-on fails before any password is sent.
    MailFixture fx({"external", "max", "geheim", false});
    fx.dialog.job().RecEMail = "a@x.de";
    const MailOutcome refused = fx.mail();
    EXPECT_FALSE(refused.ok());
    EXPECT_TRUE(refused.result.message.startsWith("Maileinstellungen fehlerhaft!\r\n"));
    EXPECT_TRUE(refused.result.message.contains("keine verschlüsselte Verbindung (STARTTLS)"))
        << refused.result.message.toStdString();
    EXPECT_TRUE(fx.peer.mails().isEmpty());
}
