#include "JobTestSupport.h"
#include "TempFolders.h"

#include <gtest/gtest.h>

// Embedded commands: which records are commands, what each sets, and that none of them
// touches the page table.
class Commands : public ::testing::Test
{
protected:
    TempFolders folders;
    Job job;
    RecordingObserver observer;

    void SetUp() override
    {
        job.PageLen = 65;
        job.setObserver(&observer);
    }
};

TEST_F(Commands, EveryKeywordSetsItsValue)
{
    feed(job, {QStringLiteral("@DATEI Rechnung 4711"), QStringLiteral("@EMAIL kunde@example.de"),
               QStringLiteral("@CCEMAIL cc@example.de"), QStringLiteral("@BCCEMAIL bcc@example.de"),
               QStringLiteral("@FAX 030 1234"), QStringLiteral("@BETREFF Ihre Rechnung"),
               QStringLiteral("@ANHANG /tmp/a.jpg"), QStringLiteral("@TXTEMAIL /tmp/body.txt"),
               QStringLiteral("@INI /tmp/other.ini")});
    EXPECT_EQ(job.pdfName, u"Rechnung 4711");
    EXPECT_EQ(job.RecEMail, u"kunde@example.de");
    EXPECT_EQ(job.RecEMailCC, u"cc@example.de");
    EXPECT_EQ(job.RecEMailBCC, u"bcc@example.de");
    EXPECT_EQ(job.RecFax, u"0301234");
    EXPECT_EQ(job.SubjectMail, u"Ihre Rechnung");
    EXPECT_EQ(job.AnHaenge, u"/tmp/a.jpg");
    EXPECT_EQ(job.TextEmail, u"/tmp/body.txt");
    EXPECT_EQ(job.IniFile(), QString()); // "@INI" was the scanner's business
    EXPECT_EQ(job.PageCount(), 0);
    EXPECT_EQ(job.CurrentLine(), 0);
    EXPECT_EQ(observer.emails, QStringList{QStringLiteral("kunde@example.de")});
    EXPECT_EQ(observer.faxes, QStringList{QStringLiteral("0301234")});
}

TEST_F(Commands, RecognisedWhateverTheCaseAndLeadingBlanks)
{
    feed(job, {QStringLiteral("   @email  a@b.de  "), QStringLiteral("@Betreff Groß und klein\r"),
               QStringLiteral("@DATEIohneBlank")});
    EXPECT_EQ(job.RecEMail, u"a@b.de");
    EXPECT_EQ(job.SubjectMail, u"Groß und klein"); // the value keeps its case; CRs go
    EXPECT_EQ(job.pdfName, u"ohneBlank");
}

TEST_F(Commands, KeywordMustFollowTheAtSignDirectly)
{
    feed(job, {QStringLiteral("@ EMAIL a@b.de"), QStringLiteral("@CCEMAIL cc@b.de"), QStringLiteral("@XEMAIL x"),
               QStringLiteral("@"), QStringLiteral("@UNBEKANNT 1")});
    EXPECT_TRUE(job.RecEMail.isEmpty()); // neither "@ EMAIL" nor "CCEMAIL" nor "XEMAIL" set it
    EXPECT_EQ(job.RecEMailCC, u"cc@b.de");
    EXPECT_TRUE(observer.emails.isEmpty());
    EXPECT_EQ(job.PageCount(), 0); // dropped commands are not printed either

    // A keyword followed by further letters still matches; its value starts right after it.
    job.AddLineToArray(QStringLiteral("@EMAILS x@y.de"));
    EXPECT_EQ(job.RecEMail, u"S x@y.de");
}

TEST_F(Commands, FaxKeepsOnlyDigitsInOrder)
{
    job.AddLineToArray(QStringLiteral("@FAX +49 (030) 123/45-67 Durchwahl ٣"));
    EXPECT_EQ(job.RecFax, u"490301234567");
    job.AddLineToArray(QStringLiteral("@FAX abc"));
    EXPECT_TRUE(job.RecFax.isEmpty());
}

TEST_F(Commands, AttachmentsAddUpWhileOtherCommandsReplace)
{
    feed(job, {QStringLiteral("@ANHANG A"), QStringLiteral("@ANHANG B"), QStringLiteral("@BETREFF eins"),
               QStringLiteral("@BETREFF zwei")});
    EXPECT_EQ(job.AnHaenge, u"A, B");
    EXPECT_EQ(job.SubjectMail, u"zwei");
}

TEST_F(Commands, TextWithAnAtSignLaterOnIsPrinted)
{
    feed(job, {QStringLiteral("Mail an @EMAIL x"), QStringLiteral("\t@EMAIL tab")});
    EXPECT_TRUE(job.RecEMail.isEmpty());
    EXPECT_EQ(job.GetPageLine(1, 1), u"Mail an @EMAIL x");
    EXPECT_EQ(job.GetPageLine(2, 1), u"\t@EMAIL tab"); // only blanks are trimmed before the "@"
}
