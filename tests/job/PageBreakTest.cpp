#include "JobTestSupport.h"
#include "ServerSettings.h"
#include "TempFolders.h"

#include <gtest/gtest.h>

// Page breaks ("^N" or a form feed) with and without the AddEscSequenz prefix: records in,
// pages out.
struct BreakCase
{
    const char* name;
    qint32 pageLen;
    QString prefix;
    QStringList records;
    QList<QStringList> pages;
};

void PrintTo(const BreakCase& c, std::ostream* os)
{
    *os << c.name;
}

class PageBreaks : public ::testing::TestWithParam<BreakCase>
{
protected:
    TempFolders folders;
};

TEST_P(PageBreaks, CutsPagesAsExpected)
{
    const BreakCase& c = GetParam();
    ServerSettings().AddEscSequenz = c.prefix;
    Job job;
    job.PageLen = c.pageLen;
    feed(job, c.records);
    EXPECT_EQ(pagesOf(job), c.pages);
}

const QString ff = QStringLiteral("\f");
const QString esc = QStringLiteral("ESC");

INSTANTIATE_TEST_SUITE_P(
    Job, PageBreaks,
    ::testing::Values(
        BreakCase{"BreakInsideSplitsTheRecord", 2, {}, {"ABC^NDEF", "GHI"}, {{"ABC"}, {"DEF", "GHI"}}},
        BreakCase{"BreakAtTheEndLetsTheNextRecordOpenThePage", 3, {}, {"ABC^N", "next"}, {{"ABC"}, {"next"}}},
        BreakCase{"FormFeedAloneEndsAPageThatIsNotFull", 3, {}, {"one", ff, "two"}, {{"one"}, {"two"}}},
        BreakCase{"FormFeedAsFirstRecordLeavesAnEmptyPage", 3, {}, {ff, "text"}, {{}, {"text"}}},
        BreakCase{"BreakOpeningTheFirstRecord", 3, {}, {"^Ntext"}, {{}, {"text"}}},
        BreakCase{"FormFeedAloneAfterAFullPage", 2, {}, {"a", "b", ff, "c"}, {{"a", "b"}, {}, {"c"}}},
        BreakCase{"FormFeedOpeningARecordAfterAFullPage", 2, {}, {"a", "b", ff + "c"}, {{"a", "b"}, {}, {"c"}}},
        BreakCase{"OnlyTheFirstBreakIsActedOn", 3, {}, {"A^NB^NC" + ff + "D"}, {{"A"}, {"B^NC^ND"}}},
        // Only plain lines test for a full page, so text after a break does not end one.
        BreakCase{"TextAfterABreakDoesNotEndAPage", 2, {}, {"x^Ny", "z", "w"}, {{"x"}, {"y", "z"}, {"w"}}},
        BreakCase{"LineBelowAOneLinePageIsLost", 1, {}, {"^Na", "lost", "b"}, {{}, {"a"}, {"b"}}},
        // "^Q" goes; markers are case-sensitive; removing "^Q" may form a break.
        BreakCase{"LandscapeMarkerRemoved", 3, {}, {"a^Qb^Q", "^q^n", "^^QN", "c"}, {{"ab", "^q^n"}, {"c"}}},
        BreakCase{"PrefixMovesALeadingBreakInside", 3, esc, {"first", "^Nsecond"}, {{"ESCfirst", "ESC"}, {"second"}}},
        BreakCase{"PrefixMakesAFormFeedALine", 3, esc, {ff, "x"}, {{"ESC"}, {"ESCx"}}},
        BreakCase{"CommandsTakeNoPrefixAndNoLine", 3, esc, {"@EMAIL a@b.de", "plain"}, {{"ESCplain"}}}),
    [](const ::testing::TestParamInfo<BreakCase>& info) { return std::string(info.param.name); });
