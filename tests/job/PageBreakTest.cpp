#include "JobTestSupport.h"
#include "ServerSettings.h"
#include "TempFolders.h"

#include <gtest/gtest.h>

// Page breaks ("^N" or a form feed) with and without the AddEscSequenz prefix.
class PageBreaks : public ::testing::Test
{
protected:
    TempFolders folders;
    Job job;

    void SetUp() override { job.PageLen = 65; }

    // Every line of a page, for comparing whole pages.
    QStringList page(qint32 number, qint32 lines = 4) const
    {
        QStringList text;
        for (qint32 line = 1; line <= lines; ++line)
            text.append(job.GetPageLine(line, number));
        return text;
    }
};

TEST_F(PageBreaks, BreakInsideARecordSplitsItAcrossPages)
{
    feed(job, {QStringLiteral("ABC^NDEF"), QStringLiteral("GHI")});
    EXPECT_EQ(job.PageCount(), 2);
    EXPECT_EQ(page(1, 2), (QStringList{QStringLiteral("ABC"), {}}));
    EXPECT_EQ(page(2, 3), (QStringList{QStringLiteral("DEF"), QStringLiteral("GHI"), {}}));
}

TEST_F(PageBreaks, BreakAtTheEndOfARecordLetsTheNextRecordOpenThePage)
{
    job.AddLineToArray(QStringLiteral("ABC^N"));
    EXPECT_EQ(job.PageCount(), 1);
    EXPECT_EQ(job.CurrentLine(), 0);
    job.AddLineToArray(QStringLiteral("next"));
    EXPECT_EQ(job.PageCount(), 2);
    EXPECT_EQ(job.GetPageLine(1, 2), u"next");
}

TEST_F(PageBreaks, FormFeedAloneEndsAPageThatIsNotFull)
{
    feed(job, {QStringLiteral("one"), QStringLiteral("\f"), QStringLiteral("two")});
    EXPECT_EQ(job.PageCount(), 2);
    EXPECT_EQ(page(1, 2), (QStringList{QStringLiteral("one"), {}}));
    EXPECT_EQ(job.GetPageLine(1, 2), u"two");
}

TEST_F(PageBreaks, BreakAsTheFirstRecordLeavesAnEmptyFirstPage)
{
    feed(job, {QStringLiteral("\f"), QStringLiteral("text")});
    EXPECT_EQ(job.PageCount(), 2);
    EXPECT_EQ(page(1), (QStringList{{}, {}, {}, {}}));
    EXPECT_EQ(job.GetPageLine(1, 2), u"text");

    // Text following the break in the same record opens page 2 as well.
    Job other;
    other.PageLen = 65;
    other.AddLineToArray(QStringLiteral("^Ntext"));
    EXPECT_EQ(other.PageCount(), 2);
    EXPECT_TRUE(other.GetPageLine(1, 1).isEmpty());
    EXPECT_EQ(other.GetPageLine(1, 2), u"text");
}

TEST_F(PageBreaks, BreakDirectlyAfterAFullPageLeavesOneEmptyPage)
{
    // A form feed alone after a full page.
    feed(job, numberedLines(65));
    feed(job, {QStringLiteral("\f"), QStringLiteral("after")});
    EXPECT_EQ(job.PageCount(), 3);
    EXPECT_EQ(page(2), (QStringList{{}, {}, {}, {}}));
    EXPECT_EQ(job.GetPageLine(1, 3), u"after");

    // A form feed opening a record after a full page.
    Job other;
    other.PageLen = 65;
    feed(other, numberedLines(65));
    other.AddLineToArray(QStringLiteral("\fafter"));
    EXPECT_EQ(other.PageCount(), 3);
    EXPECT_TRUE(other.GetPageLine(1, 2).isEmpty());
    EXPECT_EQ(other.GetPageLine(1, 3), u"after");
}

TEST_F(PageBreaks, OnlyTheFirstBreakOfARecordIsActedOn)
{
    job.AddLineToArray(QStringLiteral("A^NB^NC\fD"));
    EXPECT_EQ(job.PageCount(), 2);
    EXPECT_EQ(job.GetPageLine(1, 1), u"A");
    EXPECT_EQ(job.GetPageLine(1, 2), u"B^NC^ND");
}

TEST_F(PageBreaks, TextAfterABreakDoesNotEndAFullPage)
{
    // Only plain text lines test for a full page: after "x^Ny" on a two-line page the
    // next line still goes to line 2, and only then is the page full.
    job.PageLen = 2;
    feed(job, {QStringLiteral("x^Ny"), QStringLiteral("z")});
    EXPECT_EQ(job.GetPageLine(2, 2), u"z");
    EXPECT_EQ(job.CurrentLine(), 0);

    // On a one-line page the line after such a break lies below the page and is lost,
    // without growing the page.
    Job small;
    small.PageLen = 1;
    feed(small, {QStringLiteral("^Na"), QStringLiteral("lost"), QStringLiteral("b")});
    EXPECT_EQ(small.GetPageLine(1, 2), u"a");
    EXPECT_TRUE(small.GetPageLine(2, 2).isEmpty());
    EXPECT_EQ(small.GetPageLine(1, 3), u"b");
}

TEST_F(PageBreaks, LandscapeMarkerIsRemovedAndMarkersAreCaseSensitive)
{
    feed(job, {QStringLiteral("a^Qb^Q"), QStringLiteral("^q^n"), QStringLiteral("^^QN")});
    EXPECT_EQ(job.GetPageLine(1, 1), u"ab");
    EXPECT_EQ(job.GetPageLine(2, 1), u"^q^n");
    // Removing "^Q" may join a new break; it is acted on like any other.
    EXPECT_EQ(job.PageCount(), 1);
    EXPECT_EQ(job.CurrentLine(), 0);
}

TEST_F(PageBreaks, PrefixGoesBeforeEveryTextLine)
{
    ServerSettings().AddEscSequenz = QStringLiteral("\x1b" "E");
    feed(job, {QStringLiteral("plain"), QStringLiteral("@EMAIL a@b.de")});
    EXPECT_EQ(job.GetPageLine(1, 1), u"\x1b" "Eplain");
    EXPECT_TRUE(job.GetPageLine(2, 1).isEmpty()); // commands carry no prefix and take no line
}

TEST_F(PageBreaks, PrefixMovesALeadingBreakInsideTheRecord)
{
    ServerSettings().AddEscSequenz = QStringLiteral("ESC");
    feed(job, {QStringLiteral("first"), QStringLiteral("^Nsecond")});
    EXPECT_EQ(job.PageCount(), 2);
    EXPECT_EQ(job.GetPageLine(1, 1), u"ESCfirst");
    EXPECT_EQ(job.GetPageLine(2, 1), u"ESC"); // the prefix alone before the break
    EXPECT_EQ(job.GetPageLine(1, 2), u"second");

    // A form feed alone is no longer exactly "^N": the prefix fills a line, the page ends.
    Job other;
    other.PageLen = 65;
    feed(other, {QStringLiteral("\f"), QStringLiteral("x")});
    EXPECT_EQ(other.PageCount(), 2);
    EXPECT_EQ(other.GetPageLine(1, 1), u"ESC");
    EXPECT_EQ(other.GetPageLine(1, 2), u"ESCx");
}
