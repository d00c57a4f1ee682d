#include "JobTestSupport.h"

#include <gtest/gtest.h>

// Embedded commands: which records are commands, what each sets, and that none of them
// lands on a page.
using Commands = JobFixture;

TEST_F(Commands, EveryKeywordSetsItsValueWhateverTheCaseAndLeadingBlanks)
{
    feed(job, {"@DATEIRechnung 4711", "   @email  kunde@example.de  ", "@CCEMAIL cc@example.de",
               "@BCCEMAIL bcc@example.de", "@FAX +49 (030) 123/45-67 Durchwahl", "@Betreff Groß und klein\r",
               "@ANHANG /tmp/a.jpg", "@ANHANG /tmp/b.jpg", "@TXTEMAIL /tmp/body.txt", "@INI /tmp/other.ini"});
    EXPECT_EQ(job.pdfName, u"Rechnung 4711");
    EXPECT_EQ(job.RecEMail, u"kunde@example.de");
    EXPECT_EQ(job.RecEMailCC, u"cc@example.de");
    EXPECT_EQ(job.RecEMailBCC, u"bcc@example.de");
    EXPECT_EQ(job.RecFax, u"490301234567");             // digits only, in order
    EXPECT_EQ(job.SubjectMail, u"Groß und klein");      // the value keeps its case; CRs go
    EXPECT_EQ(job.AnHaenge, u"/tmp/a.jpg, /tmp/b.jpg"); // attachments add up
    EXPECT_EQ(job.TextEmail, u"/tmp/body.txt");
    EXPECT_TRUE(job.IniFile().isEmpty()); // "@INI" was the scanner's business
    EXPECT_EQ(job.PageCount(), 0);

    feed(job, {"@BETREFF zwei", "@FAX abc"}); // other commands replace their value
    EXPECT_EQ(job.SubjectMail, u"zwei");
    EXPECT_TRUE(job.RecFax.isEmpty());
}

// A document name becomes a file name: control characters (and escape sequences) go, and
// a name of dots alone names no file, so the stamp's name is used.
TEST_F(Commands, DocumentNamesLoseControlCharactersAndDotsAloneAreNoName)
{
    job.AddLineToArray(QStringLiteral("@DATEI Rech\tnung\x01") + QChar(0x1B) + QChar(0xF045) + QStringLiteral("4711"));
    EXPECT_EQ(job.pdfName, u"Rechnung4711");
    job.AddLineToArray(QStringLiteral("@DATEI ."));
    EXPECT_TRUE(job.pdfName.isEmpty());
    job.AddLineToArray(QStringLiteral("@DATEI \x02..\x03"));
    EXPECT_TRUE(job.pdfName.isEmpty());
}

TEST_F(Commands, KeywordMustFollowTheAtSignDirectly)
{
    feed(job, {"@ EMAIL a@b.de", "@CCEMAIL cc@b.de", "@XEMAIL x", "@", "@UNBEKANNT 1"});
    EXPECT_TRUE(job.RecEMail.isEmpty()); // neither "@ EMAIL" nor "CCEMAIL" nor "XEMAIL" set it
    EXPECT_EQ(job.RecEMailCC, u"cc@b.de");
    EXPECT_EQ(job.PageCount(), 0); // dropped commands are not printed either

    // Further letters still match; the value starts right after the keyword.
    job.AddLineToArray(QStringLiteral("@EMAILS x@y.de"));
    EXPECT_EQ(job.RecEMail, u"S x@y.de");

    // An "@" later in the line, or after a tab, is text: only blanks are trimmed.
    feed(job, {"Mail an @EMAIL x", "\t@EMAIL tab"});
    EXPECT_EQ(job.RecEMail, u"S x@y.de");
    EXPECT_EQ(pagesOf(job), (QList<QStringList>{{"Mail an @EMAIL x", "\t@EMAIL tab"}}));
}
