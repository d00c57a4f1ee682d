#include "JobTestSupport.h"
#include "MessageBox.h"
#include "ServerSettings.h"
#include "TempFolders.h"

#include <gtest/gtest.h>

// Page filling without breaks: pages of PageLen lines below a TopSpace margin read from
// the default settings file, and the page table's bounds.
class PageFilling : public ::testing::Test
{
protected:
    TempFolders folders;
    InspectableJob job;
    RecordingObserver observer;

    void SetUp() override
    {
        job.PageLen = 65;
        job.setObserver(&observer);
    }
};

TEST_F(PageFilling, EmptyJobHasNoPagesAndReadsEmptyEverywhere)
{
    EXPECT_EQ(job.PageCount(), 0);
    EXPECT_EQ(job.CurrentLine(), 0);
    EXPECT_TRUE(job.GetPageLine(0, 0).isEmpty());
    EXPECT_TRUE(job.GetPageLine(1, 1).isEmpty());
    EXPECT_EQ(job.OutputLineCount(), 65);
    EXPECT_TRUE(observer.pageCounts.isEmpty());
}

TEST_F(PageFilling, SixtyFiveRecordsFillOnePageAndTheNextOpensPageTwo)
{
    feed(job, numberedLines(65));
    EXPECT_EQ(job.PageCount(), 1);
    EXPECT_EQ(job.CurrentLine(), 0); // the page is full; the next text opens a new one
    EXPECT_EQ(job.GetPageLine(1, 1), u"L1");
    EXPECT_EQ(job.GetPageLine(65, 1), u"L65");
    EXPECT_TRUE(job.GetPageLine(0, 1).isEmpty());

    job.AddLineToArray(QStringLiteral("L66"));
    EXPECT_EQ(job.PageCount(), 2);
    EXPECT_EQ(job.GetPageLine(1, 2), u"L66");
    EXPECT_EQ(job.CurrentLine(), 2);
    EXPECT_EQ(observer.pageCounts, (QList<qint32>{1, 2}));

    // Lookups outside the table give empty text, never a failure.
    EXPECT_TRUE(job.GetPageLine(1, 0).isEmpty());
    EXPECT_TRUE(job.GetPageLine(1, 3).isEmpty());
    EXPECT_TRUE(job.GetPageLine(-1, 1).isEmpty());
    EXPECT_TRUE(job.GetPageLine(66, 1).isEmpty());
    EXPECT_TRUE(job.GetPageLine(1, -7).isEmpty());
}

TEST_F(PageFilling, TopSpaceTwoPlacesTextInLinesThreeToSixtySeven)
{
    folders.setSetting(keys::Pserver, QStringLiteral("TopSpace"), QStringLiteral("2"));
    feed(job, numberedLines(66));
    EXPECT_EQ(job.Topspace, 2);
    for (int line = 0; line <= 2; ++line)
        EXPECT_TRUE(job.GetPageLine(line, 1).isEmpty()) << line;
    EXPECT_EQ(job.GetPageLine(3, 1), u"L1");
    EXPECT_EQ(job.GetPageLine(67, 1), u"L65");
    EXPECT_EQ(job.GetPageLine(3, 2), u"L66");
    EXPECT_EQ(job.OutputLineCount(), 67); // the margin is drawn blank, the last line is not lost
    EXPECT_EQ(job.PageLines(67, 1), u"L65");
}

TEST_F(PageFilling, TopSpaceComesFromTheDefaultFileNotTheJobFile)
{
    const QString jobFile = TempFolders::writeFile(folders.root() + QStringLiteral("/job.ini"),
                                                   "[Pserver]\r\nTopSpace=7\r\n");
    job.setIniFile(jobFile);
    folders.setSetting(keys::Pserver, QStringLiteral("TopSpace"), QStringLiteral("1"));
    job.AddLineToArray(QStringLiteral("x"));
    EXPECT_EQ(job.GetPageLine(2, 1), u"x");

    // The command-line tools name their own default file.
    Job other;
    other.PageLen = 10;
    other.setDefaultSettingsFile(jobFile);
    other.AddLineToArray(QStringLiteral("y"));
    EXPECT_EQ(other.GetPageLine(8, 1), u"y");
}

TEST_F(PageFilling, TopSpaceChangingBetweenPagesKeepsEveryLine)
{
    job.PageLen = 3;
    feed(job, {QStringLiteral("a1"), QStringLiteral("a2"), QStringLiteral("a3")});
    folders.setSetting(keys::Pserver, QStringLiteral("TopSpace"), QStringLiteral("5"));
    feed(job, {QStringLiteral("b1"), QStringLiteral("b2"), QStringLiteral("b3")});
    folders.setSetting(keys::Pserver, QStringLiteral("TopSpace"), QStringLiteral("1"));
    feed(job, {QStringLiteral("c1")});

    EXPECT_EQ(job.GetPageLine(1, 1), u"a1");
    EXPECT_EQ(job.GetPageLine(3, 1), u"a3");
    EXPECT_EQ(job.GetPageLine(6, 2), u"b1");
    EXPECT_EQ(job.GetPageLine(8, 2), u"b3");
    EXPECT_EQ(job.GetPageLine(2, 3), u"c1");
    EXPECT_EQ(job.Topspace, 1);
    EXPECT_EQ(job.OutputLineCount(), 8); // the largest page of the job decides
}

TEST_F(PageFilling, BadPageSizesNeverCrashOrExhaustMemory)
{
    // A negative TopSpace counts as none, so no text lands above line 1.
    folders.setSetting(keys::Pserver, QStringLiteral("TopSpace"), QStringLiteral("-4"));
    job.AddLineToArray(QStringLiteral("first"));
    EXPECT_EQ(job.Topspace, 0);
    EXPECT_EQ(job.GetPageLine(1, 1), u"first");

    // A huge margin is only a number: the text is stored far down without allocating the gap.
    Job huge;
    huge.PageLen = 2'000'000'000;
    folders.setSetting(keys::Pserver, QStringLiteral("TopSpace"), QStringLiteral("2000000000"));
    feed(huge, {QStringLiteral("a"), QStringLiteral("b")});
    EXPECT_EQ(huge.GetPageLine(2'000'000'001, 1), u"a");
    EXPECT_EQ(huge.CurrentLine(), 2'000'000'003);
    EXPECT_EQ(huge.OutputLineCount(), std::numeric_limits<qint32>::max());

    // PageLen 0 (a job whose file held only the end record) opens a page per record and
    // stores nothing, since no line of the page can hold text.
    folders.setSetting(keys::Pserver, QStringLiteral("TopSpace"), QStringLiteral("0"));
    Job empty;
    feed(empty, {QStringLiteral("x"), QStringLiteral("y")});
    EXPECT_EQ(empty.PageCount(), 2);
    EXPECT_TRUE(empty.GetPageLine(1, 1).isEmpty());
    EXPECT_EQ(empty.CurrentLine(), 0);
}

TEST_F(PageFilling, WrittenBackLinesReplaceTextOnlyInsideTheTable)
{
    feed(job, {QStringLiteral("one"), QStringLiteral("two")});
    job.setPageLine(2, 1, QStringLiteral("TWO"));
    job.setPageLine(65, 1, QStringLiteral("last"));
    job.setPageLine(66, 1, QStringLiteral("below"));
    job.setPageLine(1, 2, QStringLiteral("next page"));
    EXPECT_EQ(job.GetPageLine(2, 1), u"TWO");
    EXPECT_EQ(job.GetPageLine(65, 1), u"last");
    EXPECT_TRUE(job.GetPageLine(66, 1).isEmpty());
    EXPECT_TRUE(job.GetPageLine(1, 2).isEmpty());
    EXPECT_EQ(job.PageCount(), 1);
}

TEST_F(PageFilling, NulCharacterShowsTheStoredLineInAMessageBox)
{
    ServerSettings().AddEscSequenz = QStringLiteral("P");
    const QString withNul = QStringLiteral("A") + QChar(u'\0') + QStringLiteral("B");
    job.AddLineToArray(withNul);
    ASSERT_EQ(msgbox::history().size(), 1);
    EXPECT_EQ(msgbox::history().first().text, QStringLiteral("P") + withNul);

    // Text stored around a page break is not checked.
    job.AddLineToArray(withNul + QStringLiteral("^N") + withNul);
    EXPECT_EQ(msgbox::history().size(), 1);
}

TEST_F(PageFilling, LandscapeMovesThePagePictureAndItsShadow)
{
    job.setLandscape(true);
    job.setLandscape(false);
    EXPECT_TRUE(job.Landscape() == false);
    ASSERT_EQ(observer.pictures.size(), 2);
    EXPECT_EQ(observer.pictures[0], QRect(240, 720, 1815, 1455));
    EXPECT_EQ(observer.shadows[0], QRect(360, 840, 1815, 1455));
    EXPECT_EQ(observer.pictures[1], QRect(240, 720, 1455, 1815));
    EXPECT_EQ(observer.shadows[1], QRect(360, 840, 1455, 1815));
}

TEST_F(PageFilling, AddWatermarkGrowsTheListAndKeepsEntries)
{
    job.AddWatermark(QStringLiteral("Kopie|Arial"), 3);
    ASSERT_EQ(job.Watermarks().size(), 4);
    EXPECT_TRUE(job.Watermarks()[0].isEmpty() && job.Watermarks()[2].isEmpty());
    EXPECT_EQ(job.Watermarks()[3], u"Kopie|Arial");

    job.AddWatermark(QStringLiteral("Entwurf|Arial"), 1);
    job.AddWatermark(QStringLiteral("ignored"), -1);
    job.AddWatermark(QStringLiteral("ignored"), std::numeric_limits<qint32>::max());
    EXPECT_EQ(job.Watermarks(), (QStringList{{}, QStringLiteral("Entwurf|Arial"), {}, QStringLiteral("Kopie|Arial")}));
}

TEST_F(PageFilling, StoredLinesHoldNoSpareRoom)
{
    // A job keeps every line of a long print file; a record handed over with a large
    // buffer must not keep that buffer alive.
    QString record;
    record.reserve(100000);
    record.append(QStringLiteral("short text"));
    job.AddLineToArray(record);
    EXPECT_EQ(job.GetPageLine(1, 1), u"short text");
    EXPECT_LT(job.GetPageLine(1, 1).capacity(), 64);
}
