#include "JobReader.h"
#include "JobTestSupport.h"
#include "ServerSettings.h"
#include "TempFolders.h"

#include <QElapsedTimer>
#include <QFile>

#include <gtest/gtest.h>

// Filling a job from a print file: the scanning pass (orientation, page length, settings
// file), the job's settings, and the feeding pass.
class ReadingPrintFile : public ::testing::Test
{
protected:
    TempFolders folders;

    bool read(Job& job, const QByteArray& bytes)
    {
        return fillJobFromPrintFile(TempFolders::writeAged(folders.printFile(), bytes), job, folders.settingsFile());
    }
    void set(const char* key, const char* value) { folders.setSetting(keys::Pserver, key, value); }
};

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
    Job job;
    ASSERT_TRUE(read(job, fixture.readAll()));
    EXPECT_FALSE(job.Landscape());
    EXPECT_EQ(job.PageLen, 65);
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
    Job job;
    ASSERT_TRUE(read(job, "@INI " + jobFile.toLocal8Bit() + "\r\nText\r\n"));
    EXPECT_EQ(job.IniFile(), jobFile);
    EXPECT_EQ(job.LeftSpace, 3);
    EXPECT_TRUE(job.AutoStart);
    EXPECT_TRUE(job.OnlyBackground);
    EXPECT_EQ(job.PageLen, 12);
    EXPECT_EQ(job.GetPageLine(1, 1), u">Text"); // the job file's prefix
}
