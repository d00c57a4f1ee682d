// The job: page filling, breaks and embedded commands, read from print files by the loader.

#include "job/Job.h"
#include "job/JobLoader.h"
#include "platform/MessageBox.h"
#include "support/TempFolders.h"

#include <gtest/gtest.h>

namespace {

// Print files in private folders, read the way the server reads them.
class JobFixture : public ::testing::Test
{
protected:
    TempFolders folders;

    void set(const char* key, const QString& value) { folders.setSetting("Pserver", key, value); }
    LoadResult read(const QByteArray& bytes)
    {
        return loadJob(TempFolders::writeFile(folders.appData() + "/d.dat", bytes),
                       toolLoadOptions(folders.settingsFile()));
    }
    Job load(const QStringList& records)
    {
        const LoadResult loaded = read(records.join("\r\n").toLatin1() + "\r\n");
        EXPECT_TRUE(loaded.loaded()) << loaded.problem.toStdString();
        return loaded.job;
    }
};

// The text of every page, lines 1 to linesPerPage with trailing empty lines dropped.
QList<QStringList> pagesOf(const Job& job)
{
    QList<QStringList> pages;
    JobPages reader(job);
    for (qint32 page = 1; page <= job.pageCount(); ++page)
        pages.append(reader.page(page).lines);
    return pages;
}

} // namespace

// Page filling without breaks: pages of LinesPerPage lines below a TopSpace margin, both
// from the default settings file whatever the job's own file says.
using PageFilling = JobFixture;

TEST_F(PageFilling, PagesOfLinesPerPageBelowTheTopSpaceOfTheDefaultFile)
{
    set("TopSpace", "2");
    set("LinesPerPage", "3");
    const QString jobFile =
        TempFolders::writeFile(folders.appData() + "/job.ini", "[Pserver]\r\nTopSpace=7\r\nLinesPerPage=9\r\n");
    const Job job = load({"@INI " + jobFile, "L1", "L2", "L3", "L4"});
    EXPECT_EQ(job.settings.file, jobFile);
    EXPECT_EQ(pagesOf(job), (QList<QStringList>{{"", "", "L1", "L2", "L3"}, {"", "", "L4"}}));
    EXPECT_EQ(job.linesPerPage(), 5); // the margin is drawn blank, no text line is lost
    JobPages pages(job);
    for (const qint32 page : {0, 3, -1})
        EXPECT_TRUE(pages.page(page).lines.isEmpty()) << page;
}

// Numbers beyond any page a printer holds fall back to their defaults, so a hostile value
// costs nothing; values a user may mean are used as typed.
TEST_F(PageFilling, PageSizesAreUsedAsTypedWithinTheirBoundsAndNeverCostMore)
{
    set("LinesPerPage", "90");
    QStringList ninety;
    for (int i = 1; i <= 90; ++i)
        ninety << QString::number(i);
    EXPECT_EQ(load(ninety).pageCount(), 1);

    set("LinesPerPage", "1099511627776");
    set("TopSpace", "2000000000");
    const Job huge = load({"a", "b"});
    EXPECT_EQ(huge.pageLength, 65);
    EXPECT_EQ(huge.settings.topSpace, 0);
}

// A binary file has a NUL character in thousands of records: one box, the rest counted.
TEST_F(PageFilling, OnlyTheFirstRecordWithANulCharacterShowsTheStoredLineInAMessageBox)
{
    set("AddEscSequenz", "P");
    const QByteArray withNul("A\0B", 3);
    const LoadResult loaded = read(withNul + "\r\n" + withNul + "^N" + withNul + "\r\n" + withNul + "2\r\n");
    ASSERT_TRUE(loaded.loaded());
    ASSERT_EQ(msgbox::history().size(), 1) << "text around a break is not checked, later records only counted";
    EXPECT_EQ(msgbox::history().first().text, QStringLiteral("P") + QString::fromLatin1(withNul));
}

// Page breaks ("^N" or a form feed) with and without the AddEscSequenz prefix: records in,
// pages out, one case a test.
struct BreakCase
{
    const char* name;
    int pageLength;
    const char* prefix;
    QStringList records;
    QList<QStringList> pages;
};

void PrintTo(const BreakCase& c, std::ostream* os)
{
    *os << c.name;
}

class PageBreaks : public JobFixture, public ::testing::WithParamInterface<BreakCase>
{
};

TEST_P(PageBreaks, CutPagesAsExpected)
{
    const BreakCase& c = GetParam();
    set("LinesPerPage", QString::number(c.pageLength));
    set("AddEscSequenz", QString::fromLatin1(c.prefix));
    EXPECT_EQ(pagesOf(load(c.records)), c.pages);
}

const QString ff = QStringLiteral("\f");
INSTANTIATE_TEST_SUITE_P(
    Records, PageBreaks,
    ::testing::Values(
        BreakCase{"BreakInsideSplitsTheRecord", 2, "", {"ABC^NDEF", "GHI"}, {{"ABC"}, {"DEF", "GHI"}}},
        BreakCase{"BreakAtTheEndLetsTheNextRecordOpenThePage", 3, "", {"ABC^N", "next"}, {{"ABC"}, {"next"}}},
        BreakCase{"FormFeedAloneEndsAPageThatIsNotFull", 3, "", {"one", ff, "two"}, {{"one"}, {"two"}}},
        BreakCase{"FormFeedAsFirstRecordLeavesAnEmptyPage", 3, "", {ff, "text"}, {{}, {"text"}}},
        BreakCase{"BreakOpeningTheFirstRecord", 3, "", {"^Ntext"}, {{}, {"text"}}},
        BreakCase{"FormFeedAloneAfterAFullPage", 2, "", {"a", "b", ff, "c"}, {{"a", "b"}, {}, {"c"}}},
        BreakCase{"FormFeedOpeningARecordAfterAFullPage", 2, "", {"a", "b", ff + "c"}, {{"a", "b"}, {}, {"c"}}},
        BreakCase{"OnlyTheFirstBreakIsActedOn", 3, "", {"A^NB^NC" + ff + "D"}, {{"A"}, {"B^NC^ND"}}},
        // Only plain lines test for a full page, so text after a break does not end one.
        BreakCase{"TextAfterABreakDoesNotEndAPage", 2, "", {"x^Ny", "z", "w"}, {{"x"}, {"y", "z"}, {"w"}}},
        BreakCase{"LineBelowAOneLinePageIsLost", 1, "", {"^Na", "lost", "b"}, {{}, {"a"}, {"b"}}},
        // "^Q" goes; markers are case-sensitive; removing "^Q" may form a break.
        BreakCase{"LandscapeMarkerRemoved", 3, "", {"a^Qb^Q", "^q^n", "^^QN", "c"}, {{"ab", "^q^n"}, {"c"}}},
        BreakCase{"PrefixMovesALeadingBreakInside", 3, "ESC", {"first", "^Nsecond"}, {{"ESCfirst", "ESC"}, {"second"}}},
        BreakCase{"PrefixMakesAFormFeedALine", 3, "ESC", {ff, "x"}, {{"ESC"}, {"ESCx"}}},
        BreakCase{"CommandsTakeNoPrefixAndNoLine", 3, "ESC", {"@EMAIL a@b.de", "plain"}, {{"ESCplain"}}}),
    [](const ::testing::TestParamInfo<BreakCase>& info) { return std::string(info.param.name); });

// Embedded commands: which records are commands, what each sets, and that none of them
// lands on a page.
using Commands = JobFixture;

TEST_F(Commands, EveryKeywordSetsItsValueWhateverTheCaseAndLeadingBlanks)
{
    const Job job = load({"@DATEIRechnung 4711", "   @email  kunde@example.de  ", "@FAX +49 (030) 123/45-67 Durchwahl",
                          "@Betreff Gross und klein\r", "@ANHANG a.jpg", "@ANHANG b.jpg", "@TXTEMAIL body.txt",
                          "@BETREFF zwei", "@FAX abc", "@FAX 0049 (30) 1234-567"});
    EXPECT_EQ(job.documentName, u"Rechnung 4711");
    EXPECT_EQ(job.mailTo, u"kunde@example.de");
    EXPECT_EQ(job.faxNumber, u"0049301234567"); // digits only, in order; a later command replaces
    EXPECT_EQ(job.mailSubject, u"zwei");
    EXPECT_EQ(job.attachmentList, u"a.jpg, b.jpg"); // attachments add up
    EXPECT_EQ(job.mailBodyName, u"body.txt");
    EXPECT_EQ(job.pageCount(), 0);
}

// A document name becomes a file name: control characters (and escape sequences) go, and
// a name of dots alone names no file, so the stamp's name is used.
TEST_F(Commands, DocumentNamesLoseControlCharactersAndDotsAloneAreNoName)
{
    EXPECT_EQ(load({"@DATEI Rech\tnung\x01\x1b"
                    "E4711"})
                  .documentName,
              u"Rechnung4711");
    EXPECT_TRUE(load({"@DATEI ."}).documentName.isEmpty());
    EXPECT_TRUE(load({"@DATEI \x02..\x03"}).documentName.isEmpty());
}

TEST_F(Commands, KeywordMustFollowTheAtSignDirectly)
{
    const Job job = load({"@ EMAIL a@b.de", "@CCEMAIL cc@b.de", "@XEMAIL x", "@", "@UNBEKANNT 1", "@EMAILS x@y.de",
                          "Mail an @EMAIL x", "\t@EMAIL tab"});
    // Neither "@ EMAIL" nor "CCEMAIL" nor "XEMAIL" set the recipients; further letters still
    // match, the value starting right after the keyword.
    EXPECT_EQ(job.mailTo, u"S x@y.de");
    EXPECT_EQ(job.mailCc, u"cc@b.de");
    // An "@" later in the line, or after a tab, is text: only blanks are trimmed. The dropped
    // commands are not printed either.
    EXPECT_EQ(pagesOf(job), (QList<QStringList>{{"Mail an @EMAIL x", "\t@EMAIL tab"}}));
}

// Reading a print file: the scanning pass (orientation, page length, settings file), the
// job's settings, and the feeding pass.
using ReadingPrintFile = JobFixture;

// Bold on followed by "OF" is a print line like any other, not the end of the job, and
// ESC followed by a form feed is an escape sequence, not a page break.
TEST_F(ReadingPrintFile, CommandsBreaksAndNoLineThatEndsTheJobButNoJobWithoutLines)
{
    EXPECT_EQ(loadJob(folders.appData() + "/fehlt.dat", toolLoadOptions(folders.settingsFile())).status,
              LoadResult::Status::Unreadable);
    EXPECT_EQ(read(QByteArray()).status, LoadResult::Status::Empty);

    QFile fixture(testDataPath(QStringLiteral("job-commands.dat")));
    ASSERT_TRUE(fixture.open(QIODevice::ReadOnly));
    const LoadResult loaded = read(fixture.readAll());
    ASSERT_TRUE(loaded.loaded());
    EXPECT_EQ(loaded.job.settings.file, folders.settingsFile());
    EXPECT_EQ(loaded.job.mailTo, u"kunde@example.de");
    const QString esc = QStringLiteral("\x1b");
    EXPECT_EQ(pagesOf(loaded.job),
              (QList<QStringList>{{"Rechnung Nr. 1", "Seite eins"},
                                  {"Seite zwei", "Ende"},
                                  {"Seite drei", esc + QChar(0xF045) + "OF", esc + QChar(0xF00C) + "nach dem Ende"}}));
}

TEST_F(ReadingPrintFile, OneLongRecordOrTheMarkerTurnsTheWholeJobLandscape)
{
    const Job wide = read("short\r\n" + QByteArray(139, 'x') + "\r\nshort again\r\n").job;
    EXPECT_TRUE(wide.landscape); // never set back by the short line after it
    EXPECT_EQ(wide.pageLength, 48);
    const Job portrait = read(QByteArray(138, 'x') + "\r\n").job;
    EXPECT_FALSE(portrait.landscape);
    EXPECT_EQ(portrait.pageLength, 65);
    // Escape sequences are no printable characters.
    EXPECT_FALSE(read("\033E" + QByteArray(137, 'x') + "\033F\r\n").job.landscape);

    // "^Q" turns the job whatever the line lengths, and is not printed; "^q" does not.
    set("LinesPerPageQ", "40");
    set("AutoLandscape", "500");
    const Job marked = read("Liste^Q\r\nzweite Zeile\r\n").job;
    EXPECT_TRUE(marked.landscape);
    EXPECT_EQ(marked.pageLength, 40);
    EXPECT_EQ(pagesOf(marked).value(0).value(0), u"Liste");
    EXPECT_FALSE(read("Liste^q\r\n").job.landscape);
}

// Lines per page come from the default file; the rest of the job's settings from its own.
TEST_F(ReadingPrintFile, IniRecordNamesTheJobSettingsButNotThePageLength)
{
    set("LinesPerPage", "12");
    set("LeftSpace", "2");
    const QString jobFile =
        TempFolders::writeFile(folders.appData() + "/kunde.ini", "[Pserver]\r\nLinesPerPage=30\r\nLeftSpace=3\r\n"
                                                                 "AutoStart=1\r\nHideMode=1\r\nAddEscSequenz=>\r\n");
    const Job job = load({"@INI " + jobFile, "Text"});
    EXPECT_EQ(job.settings.file, jobFile);
    EXPECT_EQ(job.settings.leftMargin, 3);
    EXPECT_TRUE(job.settings.autoStart && job.settings.hidden);
    EXPECT_EQ(job.pageLength, 12);
    EXPECT_EQ(pagesOf(job).value(0).value(0), u">Text"); // the job file's prefix
}

// More pages than any job may have, or a line that is no printer output, make the print
// file faulty instead of costing memory and time.
TEST_F(ReadingPrintFile, BeyondTheBoundsAPrintFileIsFaulty)
{
    LoadOptions options = toolLoadOptions(folders.settingsFile());
    options.maxPages = 3;
    const LoadResult tooMany = loadJob(
        TempFolders::writeFile(folders.appData() + "/d.dat", QByteArray("\f\r\n").repeated(4) + "x\r\n"), options);
    EXPECT_EQ(tooMany.status, LoadResult::Status::Faulty);
    EXPECT_TRUE(tooMany.problem.contains("mehr als 3 Seiten")) << tooMany.problem.toStdString();
    EXPECT_EQ(read("ok\r\n" + QByteArray(2 << 20, '\0') + "\r\n").status, LoadResult::Status::Faulty);
}

// The watermark definitions of "Wasser.txt" and the names the print dialog offers.
TEST(WatermarkFile, OhneThenTheNamesUpToTheFirstLineWithoutASeparator)
{
    TempFolders folders;
    const QString wasser = folders.program() + "/Wasser.txt";
    QStringList definitions, names{"left over"};
    EXPECT_FALSE(readWatermarks(wasser, definitions, names));
    EXPECT_EQ(names, QStringList{"left over"}); // not even "Ohne"

    // LF line ends and no final one; an empty text is still offered; a line without "|" is
    // taken, then ends the list.
    TempFolders::writeFile(wasser, "A|x\n|y\nohne Trenner\nC|z");
    ASSERT_TRUE(readWatermarks(wasser, definitions, names));
    EXPECT_EQ(names, (QStringList{"Ohne", "A", ""}));
    EXPECT_EQ(definitions, (QStringList{"A|x", "|y", "ohne Trenner"}));

    TempFolders::writeFile(wasser, "");
    ASSERT_TRUE(readWatermarks(wasser, definitions, names));
    EXPECT_EQ(names, QStringList{"Ohne"}) << "an empty file is still a file";
    TempFolders::writeFile(wasser, "Gr\xc3\xbc\xc3\x9f"
                                   "e|Arial\r\n"); // the locale's encoding
    ASSERT_TRUE(readWatermarks(wasser, definitions, names));
    EXPECT_EQ(names.value(1), u"Grüße");
}
