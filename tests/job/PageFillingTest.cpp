#include "JobTestSupport.h"
#include "MessageBox.h"
#include "ServerSettings.h"

#include <gtest/gtest.h>

// Page filling without breaks: pages of PageLen lines below a TopSpace margin read from
// the default settings file, and the page table's bounds.
class PageFilling : public JobFixture
{
protected:
    void setTopSpace(const char* value) { folders.setSetting(keys::Pserver, "TopSpace", value); }
};

TEST_F(PageFilling, PagesOfPageLenLinesBelowTheTopSpaceOfTheDefaultFile)
{
    setTopSpace("2");
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
    setTopSpace("5");
    feed(changing, {"b1", "b2"});
    setTopSpace("1");
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
    setTopSpace("-4"); // counts as none
    job.AddLineToArray(QStringLiteral("first"));
    EXPECT_EQ(job.GetPageLine(1, 1), u"first");

    // A huge margin counts as the largest the settings window offers; a huge page length
    // is only a number: the text is stored without allocating the page's lines.
    setTopSpace("2000000000");
    Job huge;
    huge.PageLen = std::numeric_limits<qint32>::max();
    feed(huge, {"a", "b"});
    EXPECT_EQ(huge.GetPageLine(22, 1), u"b");
    EXPECT_EQ(huge.OutputLineCount(), std::numeric_limits<qint32>::max());

    // PageLen 0 (a file of nothing but the end record): a page per record, no line holds text.
    setTopSpace("0");
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
