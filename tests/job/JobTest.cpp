// The job: page filling, breaks and embedded commands, and filling it from a print file.

#include "Job.h"
#include "JobReader.h"
#include "MessageBox.h"
#include "ServerSettings.h"
#include "TempFolders.h"
#include "WatermarkList.h"

#include <QElapsedTimer>
#include <QFile>

#include <gtest/gtest.h>

// A job of 65 lines a page in private folders, and jobs filled from a print file there.
class JobFixture : public ::testing::Test
{
protected:
    TempFolders folders;
    Job job;

    void SetUp() override { job.PageLen = 65; }
    void set(const char* key, const char* value) { folders.setSetting(keys::Pserver, key, value); }
    bool read(Job& into, const QByteArray& bytes)
    {
        return fillJobFromPrintFile(TempFolders::writeAged(folders.printFile(), bytes), into, folders.settingsFile());
    }
};

void feed(Job& job, const QStringList& records)
{
    for (const QString& record : records)
        job.AddLineToArray(record);
}

// The text of every page, lines 1 to OutputLineCount with trailing empty lines dropped.
QList<QStringList> pagesOf(const Job& job)
{
    QList<QStringList> pages;
    for (qint32 page = 1; page <= job.PageCount(); ++page) {
        QStringList lines;
        for (qint32 line = 1; line <= job.OutputLineCount(); ++line)
            lines.append(job.GetPageLine(line, page));
        while (!lines.isEmpty() && lines.last().isEmpty())
            lines.removeLast();
        pages.append(lines);
    }
    return pages;
}

// Page filling without breaks: pages of PageLen lines below a TopSpace margin read from
// the default settings file, and the page table's bounds.
using PageFilling = JobFixture;

TEST_F(PageFilling, PagesOfPageLenLinesBelowTheTopSpaceOfTheDefaultFile)
{
    set("TopSpace", "2");
    job.setIniFile(TempFolders::writeFile(folders.root() + "/job.ini", "[Pserver]\r\nTopSpace=7\r\n"));
    for (int i = 1; i <= 66; ++i)
        job.AddLineToArray(QStringLiteral("L%1").arg(i));
    EXPECT_EQ(job.Topspace, 2); // whatever IniFile says
    EXPECT_TRUE(job.GetPageLine(2, 1).isEmpty());
    EXPECT_EQ(job.GetPageLine(3, 1), u"L1");
    EXPECT_EQ(job.GetPageLine(67, 1), u"L65");
    EXPECT_EQ(job.GetPageLine(3, 2), u"L66");
    EXPECT_EQ(job.OutputLineCount(), 67); // the margin is drawn blank, no text line is lost
    // Outside the table nothing is read or written.
    job.setPageLine(68, 1, QStringLiteral("below"));
    job.setPageLine(1, 3, QStringLiteral("no page"));
    for (auto [line, page] : {std::pair{1, 0}, {1, 3}, {-1, 1}, {68, 1}, {1, -7}})
        EXPECT_TRUE(job.GetPageLine(line, page).isEmpty()) << line << "," << page;
    EXPECT_EQ(job.PageCount(), 2);

    Job changing;
    changing.PageLen = 2;
    feed(changing, {"a1", "a2"});
    set("TopSpace", "5");
    feed(changing, {"b1", "b2"});
    set("TopSpace", "1");
    feed(changing, {"c1"});
    EXPECT_EQ(pagesOf(changing),
              (QList<QStringList>{{"", "", "a1", "a2"}, {"", "", "", "", "", "b1", "b2"}, {"", "c1"}}));
    EXPECT_EQ(changing.OutputLineCount(), 7); // the largest page decides

    Job tool; // the command-line tools name their own default file
    tool.PageLen = 10;
    tool.setDefaultSettingsFile(job.IniFile());
    tool.AddLineToArray(QStringLiteral("y"));
    EXPECT_EQ(tool.GetPageLine(8, 1), u"y");
}

TEST_F(PageFilling, BadPageSizesNeverCrashOrExhaustMemory)
{
    set("TopSpace", "-4"); // counts as none
    job.AddLineToArray(QStringLiteral("first"));
    EXPECT_EQ(job.GetPageLine(1, 1), u"first");

    // A huge margin counts as the largest the settings window offers; a huge page length
    // is only a number: the text is stored without allocating the page's lines.
    set("TopSpace", "2000000000");
    Job huge;
    huge.PageLen = std::numeric_limits<qint32>::max();
    feed(huge, {"a", "b"});
    EXPECT_EQ(huge.GetPageLine(22, 1), u"b");
    EXPECT_EQ(huge.OutputLineCount(), std::numeric_limits<qint32>::max());

    // PageLen 0 (a file of nothing but the end record): a page per record, no line holds text.
    set("TopSpace", "0");
    Job empty;
    feed(empty, {"x", "y"});
    EXPECT_EQ(empty.PageCount(), 2);
    EXPECT_TRUE(empty.GetPageLine(1, 1).isEmpty());

    // A record handed over in a large buffer must not keep that buffer alive.
    QString record;
    record.reserve(100000);
    record.append(QStringLiteral("short"));
    job.AddLineToArray(record);
    EXPECT_LT(job.GetPageLine(2, 1).capacity(), 64);
}

// Pages keep their lines compactly, a byte a character as far as the characters allow:
// every line reads back as stored, whatever it holds, also when an output writes one
// back changed.
TEST_F(PageFilling, EveryLineReadsBackAsStoredWhateverItsCharacters)
{
    job.PageLen = 400;
    QStringList lines;
    for (int i = 0; i < 300; ++i) // more characters beyond ASCII than a byte can name
        lines << QStringLiteral("Zeile %1 ").arg(i) + QChar(char16_t(0x2500 + i)) + QChar(0x1B) +
                     QChar(char16_t(0xF000 + i % 256)) + QStringLiteral("Größe");
    feed(job, lines);
    job.setPageLine(3, 1, QStringLiteral("kurz"));
    job.setPageLine(4, 1, lines[3] + lines[3]);
    job.setPageLine(0, 1, QStringLiteral("davor"));
    lines[2] = QStringLiteral("kurz");
    lines[3] += lines[3];
    EXPECT_EQ(job.GetPageLine(0, 1), u"davor");
    for (int i = 0; i < 300; ++i)
        ASSERT_EQ(job.GetPageLine(i + 1, 1), lines[i]) << "line " << i + 1;
}

// A binary file has a NUL character in thousands of records: one box, the rest counted.
TEST_F(PageFilling, OnlyTheFirstRecordWithANulCharacterShowsTheStoredLineInAMessageBox)
{
    ServerSettings().AddEscSequenz = QStringLiteral("P");
    const QString withNul = QStringLiteral("A") + QChar(u'\0') + QStringLiteral("B");
    job.AddLineToArray(withNul);
    job.AddLineToArray(withNul + QStringLiteral("^N") + withNul); // text around a break is not checked
    job.AddLineToArray(withNul + QStringLiteral("2"));
    job.AddLineToArray(withNul + QStringLiteral("3"));
    ASSERT_EQ(msgbox::history().size(), 1);
    EXPECT_EQ(msgbox::history().first().text, QStringLiteral("P") + withNul);
    EXPECT_EQ(job.nulRecordCount(), 3);

    // Outside the tests a box leaves nothing behind once answered.
    msgbox::keepHistory(false);
    job.AddLineToArray(withNul);
    msgbox::show(QStringLiteral("Hinweis"));
    msgbox::keepHistory(true);
    EXPECT_TRUE(msgbox::history().isEmpty());
}

// Page breaks ("^N" or a form feed) with and without the AddEscSequenz prefix: records in,
// pages out.
TEST(PageBreaks, CutPagesAsExpected)
{
    TempFolders folders;
    const QString ff = QStringLiteral("\f"), esc = QStringLiteral("ESC");
    const struct
    {
        const char* name;
        qint32 pageLen;
        QString prefix;
        QStringList records;
        QList<QStringList> pages;
    } cases[] = {{"BreakInsideSplitsTheRecord", 2, {}, {"ABC^NDEF", "GHI"}, {{"ABC"}, {"DEF", "GHI"}}},
                 {"BreakAtTheEndLetsTheNextRecordOpenThePage", 3, {}, {"ABC^N", "next"}, {{"ABC"}, {"next"}}},
                 {"FormFeedAloneEndsAPageThatIsNotFull", 3, {}, {"one", ff, "two"}, {{"one"}, {"two"}}},
                 {"FormFeedAsFirstRecordLeavesAnEmptyPage", 3, {}, {ff, "text"}, {{}, {"text"}}},
                 {"BreakOpeningTheFirstRecord", 3, {}, {"^Ntext"}, {{}, {"text"}}},
                 {"FormFeedAloneAfterAFullPage", 2, {}, {"a", "b", ff, "c"}, {{"a", "b"}, {}, {"c"}}},
                 {"FormFeedOpeningARecordAfterAFullPage", 2, {}, {"a", "b", ff + "c"}, {{"a", "b"}, {}, {"c"}}},
                 {"OnlyTheFirstBreakIsActedOn", 3, {}, {"A^NB^NC" + ff + "D"}, {{"A"}, {"B^NC^ND"}}},
                 // Only plain lines test for a full page, so text after a break does not end one.
                 {"TextAfterABreakDoesNotEndAPage", 2, {}, {"x^Ny", "z", "w"}, {{"x"}, {"y", "z"}, {"w"}}},
                 {"LineBelowAOneLinePageIsLost", 1, {}, {"^Na", "lost", "b"}, {{}, {"a"}, {"b"}}},
                 // "^Q" goes; markers are case-sensitive; removing "^Q" may form a break.
                 {"LandscapeMarkerRemoved", 3, {}, {"a^Qb^Q", "^q^n", "^^QN", "c"}, {{"ab", "^q^n"}, {"c"}}},
                 {"PrefixMovesALeadingBreakInside", 3, esc, {"first", "^Nsecond"}, {{"ESCfirst", "ESC"}, {"second"}}},
                 {"PrefixMakesAFormFeedALine", 3, esc, {ff, "x"}, {{"ESC"}, {"ESCx"}}},
                 {"CommandsTakeNoPrefixAndNoLine", 3, esc, {"@EMAIL a@b.de", "plain"}, {{"ESCplain"}}}};
    for (const auto& c : cases) {
        ServerSettings().AddEscSequenz = c.prefix;
        Job job;
        job.PageLen = c.pageLen;
        feed(job, c.records);
        EXPECT_EQ(pagesOf(job), c.pages) << c.name;
    }
}

// Embedded commands: which records are commands, what each sets, and that none of them
// lands on a page.
using Commands = JobFixture;

TEST_F(Commands, EveryKeywordSetsItsValueWhateverTheCaseAndLeadingBlanks)
{
    feed(job, {"@DATEIRechnung 4711", "   @email  kunde@example.de  ", "@FAX +49 (030) 123/45-67 Durchwahl",
               "@Betreff Groß und klein\r", "@ANHANG /tmp/a.jpg", "@ANHANG /tmp/b.jpg", "@TXTEMAIL /tmp/body.txt",
               "@INI /tmp/other.ini"});
    EXPECT_EQ(job.pdfName, u"Rechnung 4711");
    EXPECT_EQ(job.RecEMail, u"kunde@example.de");
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

    // Further letters still match; the value starts right after the keyword.
    job.AddLineToArray(QStringLiteral("@EMAILS x@y.de"));
    EXPECT_EQ(job.RecEMail, u"S x@y.de");

    // An "@" later in the line, or after a tab, is text: only blanks are trimmed. The dropped
    // commands above are not printed either.
    feed(job, {"Mail an @EMAIL x", "\t@EMAIL tab"});
    EXPECT_EQ(job.RecEMail, u"S x@y.de");
    EXPECT_EQ(pagesOf(job), (QList<QStringList>{{"Mail an @EMAIL x", "\t@EMAIL tab"}}));
}

// Filling a job from a print file: the scanning pass (orientation, page length, settings
// file), the job's settings, and the feeding pass.
using ReadingPrintFile = JobFixture;

// Bold on followed by "OF" is a print line like any other, not the end of the job, and
// ESC followed by a form feed is an escape sequence, not a page break.
TEST_F(ReadingPrintFile, CommandsBreaksAndNoLineThatEndsTheJobButNoJobWithoutLines)
{
    // No file, or an empty one: no job at all, and no waiting for a file that never comes.
    Job none;
    QElapsedTimer timer;
    timer.start();
    EXPECT_FALSE(fillJobFromPrintFile(folders.appData() + "/fehlt.dat", none, {}));
    EXPECT_FALSE(read(none, QByteArray()));
    EXPECT_LT(timer.elapsed(), 1000);

    QFile fixture(testDataPath(QStringLiteral("job-commands.dat")));
    ASSERT_TRUE(fixture.open(QIODevice::ReadOnly));
    ASSERT_TRUE(read(job, fixture.readAll()));
    EXPECT_EQ(job.IniFile(), folders.settingsFile());
    EXPECT_EQ(job.RecEMail, u"kunde@example.de");
    const QString esc = QStringLiteral("\x1b");
    EXPECT_EQ(pagesOf(job),
              (QList<QStringList>{{"Rechnung Nr. 1", "Seite eins"},
                                  {"Seite zwei", "Ende"},
                                  {"Seite drei", esc + QChar(0xF045) + "OF", esc + QChar(0xF00C) + "nach dem Ende"}}));
}

TEST_F(ReadingPrintFile, OneLongRecordOrTheMarkerTurnsTheWholeJobLandscape)
{
    Job wide, portrait, bold;
    ASSERT_TRUE(read(wide, "short\r\n" + QByteArray(139, 'x') + "\r\nshort again\r\n"));
    EXPECT_TRUE(wide.Landscape()); // never set back by the short line after it
    EXPECT_EQ(wide.PageLen, 48);

    ASSERT_TRUE(read(portrait, QByteArray(138, 'x') + "\r\n"));
    EXPECT_FALSE(portrait.Landscape());
    EXPECT_EQ(portrait.PageLen, 65);

    // Escape sequences are no printable characters.
    ASSERT_TRUE(read(bold, "\033E" + QByteArray(137, 'x') + "\033F\r\n"));
    EXPECT_FALSE(bold.Landscape());

    // "^Q" turns the job whatever the line lengths, and is not printed; "^q" does not.
    set("LinesPerPageQ", "40");
    set("AutoLandscape", "500");
    Job marked, lower;
    ASSERT_TRUE(read(marked, "Liste^Q\r\nzweite Zeile\r\n"));
    EXPECT_TRUE(marked.Landscape());
    EXPECT_EQ(marked.PageLen, 40);
    EXPECT_EQ(marked.GetPageLine(1, 1), u"Liste");
    ASSERT_TRUE(read(lower, "Liste^q\r\n"));
    EXPECT_FALSE(lower.Landscape());
}

// Lines per page come from the default file; TopSpace too (the page filling's, see PageFilling).
TEST_F(ReadingPrintFile, IniRecordNamesTheJobSettingsButNotThePageLength)
{
    set("LinesPerPage", "12");
    set("LeftSpace", "2");
    const QString jobFile =
        TempFolders::writeFile(folders.root() + "/kunde.ini", "[Pserver]\r\nLinesPerPage=30\r\nLeftSpace=3\r\n"
                                                              "AutoStart=1\r\nHideMode=1\r\nAddEscSequenz=>\r\n");
    ASSERT_TRUE(read(job, "@INI " + jobFile.toLocal8Bit() + "\r\nText\r\n"));
    EXPECT_EQ(job.IniFile(), jobFile);
    EXPECT_EQ(job.LeftSpace, 3);
    EXPECT_TRUE(job.AutoStart);
    EXPECT_TRUE(job.OnlyBackground);
    EXPECT_EQ(job.PageLen, 12);
    EXPECT_EQ(job.GetPageLine(1, 1), u">Text"); // the job file's prefix
}

// The print dialog's watermark list read from "Wasser.txt" in the program folder (a whole
// file in CR LF lines is read by DialogSettings.InitRestoresTheSavedState...).
TEST(WatermarkFile, OhneThenTheNamesUpToTheFirstLineWithoutASeparator)
{
    TempFolders folders;
    const QString wasser = folders.program() + "/Wasser.txt";
    Job job;
    QStringList names{"left over"};
    EXPECT_FALSE(LoadWatermarks(job, names));
    EXPECT_EQ(names, QStringList{"left over"}); // not even "Ohne"
    EXPECT_TRUE(job.Watermarks().isEmpty());

    // LF line ends and no final one; an empty text is still offered; a line without "|" is
    // handed over, then ends the list.
    TempFolders::writeFile(wasser, "A|x\n|y\nohne Trenner\nC|z");
    ASSERT_TRUE(LoadWatermarks(job, names));
    EXPECT_EQ(names, (QStringList{"Ohne", "A", ""}));
    EXPECT_EQ(job.Watermarks(), (QStringList{"A|x", "|y", "ohne Trenner"}));

    TempFolders::writeFile(wasser, "");
    ASSERT_TRUE(LoadWatermarks(job, names));
    EXPECT_EQ(names, QStringList{"Ohne"}) << "an empty file is still a file";
    TempFolders::writeFile(wasser, "Gr\xc3\xbc\xc3\x9f"
                                   "e|Arial\r\n"); // the locale's encoding
    ASSERT_TRUE(LoadWatermarks(job, names));
    EXPECT_EQ(names.value(1), u"Grüße");
}
