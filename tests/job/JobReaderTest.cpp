#include "Job.h"
#include "JobReader.h"
#include "JobTestSupport.h"
#include "ServerSettings.h"
#include "TempFolders.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>

#include <gtest/gtest.h>

// Filling a job from a print file: the scanning pass (orientation, page length, settings
// file), the job's settings, and the feeding pass.
class ReadingPrintFile : public ::testing::Test
{
protected:
    TempFolders folders;
    Job job;

    // Writes the print file as the DOS program would, finished a while ago, so the reader
    // does not take it for a file still being written.
    QString printFile(const QByteArray& bytes) const
    {
        const QString path = TempFolders::writeFile(folders.printFile(), bytes);
        QFile file(path);
        file.open(QIODevice::ReadWrite);
        file.setFileTime(QDateTime::currentDateTime().addSecs(-10), QFileDevice::FileModificationTime);
        return path;
    }
    bool read(const QByteArray& bytes) { return fillJobFromPrintFile(printFile(bytes), job, folders.settingsFile()); }
};

TEST_F(ReadingPrintFile, CommandsBreaksAndTheEndRecord)
{
    QFile fixture(testDataPath(QStringLiteral("job-commands.dat")));
    ASSERT_TRUE(fixture.open(QIODevice::ReadOnly));
    ASSERT_TRUE(read(fixture.readAll()));
    EXPECT_FALSE(job.Landscape());
    EXPECT_EQ(job.PageLen, 65);
    EXPECT_EQ(job.IniFile(), folders.settingsFile());
    EXPECT_EQ(job.RecEMail, u"kunde@example.de");
    EXPECT_EQ(job.RecFax, u"03012345");
    EXPECT_EQ(job.AnHaenge, u"/tmp/a.jpg, /tmp/b.jpg");
    ASSERT_EQ(job.PageCount(), 3); // nothing after the end record is read
    EXPECT_EQ(job.GetPageLine(1, 1), u"Rechnung Nr. 1");
    EXPECT_EQ(job.GetPageLine(2, 1), u"Seite eins");
    EXPECT_EQ(job.GetPageLine(1, 2), u"Seite zwei");
    EXPECT_EQ(job.GetPageLine(2, 2), u"Ende");
    EXPECT_EQ(job.GetPageLine(1, 3), u"Seite drei");
    EXPECT_TRUE(job.GetPageLine(2, 3).isEmpty());
}

TEST_F(ReadingPrintFile, OneLongRecordTurnsTheWholeJobLandscape)
{
    ASSERT_TRUE(read("short\r\n" + QByteArray(139, 'x') + "\r\nshort again\r\n"));
    EXPECT_TRUE(job.Landscape());
    EXPECT_EQ(job.PageLen, 48);

    Job portrait;
    ASSERT_TRUE(fillJobFromPrintFile(printFile(QByteArray(138, 'x') + "\r\n"), portrait, folders.settingsFile()));
    EXPECT_FALSE(portrait.Landscape());
    EXPECT_EQ(portrait.PageLen, 65);
    EXPECT_EQ(portrait.GetPageLine(1, 1).size(), 138);

    // Escape sequences do not count as printable characters.
    Job bold;
    ASSERT_TRUE(fillJobFromPrintFile(printFile("\x1b" "E" + QByteArray(137, 'x') + "\x1b" "F\r\n"), bold,
                                     folders.settingsFile()));
    EXPECT_FALSE(bold.Landscape());
}

TEST_F(ReadingPrintFile, LandscapeMarkerTurnsTheJobAndIsNotPrinted)
{
    folders.setSetting(keys::Pserver, QStringLiteral("LinesPerPageQ"), QStringLiteral("40"));
    folders.setSetting(keys::Pserver, QStringLiteral("AutoLandscape"), QStringLiteral("500"));
    ASSERT_TRUE(read("Liste^Q\r\nzweite Zeile\r\n"));
    EXPECT_TRUE(job.Landscape());
    EXPECT_EQ(job.PageLen, 40);
    EXPECT_EQ(job.GetPageLine(1, 1), u"Liste");

    Job lower;
    ASSERT_TRUE(fillJobFromPrintFile(printFile("Liste^q\r\n"), lower, folders.settingsFile()));
    EXPECT_FALSE(lower.Landscape());
}

TEST_F(ReadingPrintFile, IniRecordNamesTheJobSettingsButNotThePageGeometry)
{
    folders.setSetting(keys::Pserver, QStringLiteral("LinesPerPage"), QStringLiteral("5"));
    folders.setSetting(keys::Pserver, QStringLiteral("TopSpace"), QStringLiteral("1"));
    folders.setSetting(keys::Pserver, QStringLiteral("LeftSpace"), QStringLiteral("2"));
    const QString jobFile = TempFolders::writeFile(folders.root() + QStringLiteral("/kunde.ini"),
                                                   "[Pserver]\r\nLinesPerPage=10\r\nTopSpace=9\r\nLeftSpace=3\r\n"
                                                   "AutoStart=1\r\nHideMode=1\r\nAddEscSequenz=>\r\n");
    ASSERT_TRUE(read("@INI " + jobFile.toLocal8Bit() + "\r\nText\r\n"));
    EXPECT_EQ(job.IniFile(), jobFile);
    EXPECT_EQ(job.LeftSpace, 3);
    EXPECT_TRUE(job.AutoStart);
    EXPECT_TRUE(job.OnlyBackground);
    EXPECT_EQ(ServerSettings().AddEscSequenz, u">");
    EXPECT_EQ(job.PageLen, 5);
    EXPECT_EQ(job.Topspace, 1);
    EXPECT_EQ(job.GetPageLine(2, 1), u">Text");
    EXPECT_EQ(job.OutputLineCount(), 6);

    // A missing file falls back to the default file, with all its settings.
    Job missing;
    ASSERT_TRUE(fillJobFromPrintFile(printFile("@INI /nirgends/kunde.ini\r\nText\r\n"), missing,
                                     folders.settingsFile()));
    EXPECT_EQ(missing.IniFile(), folders.settingsFile());
    EXPECT_EQ(missing.LeftSpace, 2);
    EXPECT_FALSE(missing.AutoStart);
    EXPECT_TRUE(ServerSettings().AddEscSequenz.isEmpty());
    EXPECT_EQ(missing.GetPageLine(2, 1), u"Text");
}

TEST_F(ReadingPrintFile, FilesWithoutAJob)
{
    // The end record first: a job without pages and without a page length.
    ASSERT_TRUE(read("\x1b" "EOF\r\nText\r\n"));
    EXPECT_EQ(job.PageCount(), 0);
    EXPECT_EQ(job.PageLen, 0);

    // No file, or an empty one: no job at all, and no waiting for a file that never comes.
    Job none;
    none.PageLen = 7;
    QElapsedTimer timer;
    timer.start();
    EXPECT_FALSE(fillJobFromPrintFile(folders.appData() + QStringLiteral("/fehlt.dat"), none, {}));
    EXPECT_LT(timer.elapsed(), 1000);
    EXPECT_FALSE(fillJobFromPrintFile(printFile(QByteArray()), none, folders.settingsFile()));
    EXPECT_EQ(none.PageLen, 7);
}

TEST_F(ReadingPrintFile, FreshFileIsReadOnceTheWriterIsDone)
{
    // Written just now: the reader first takes it for a file still being written.
    const QString path = TempFolders::writeFile(folders.printFile(), "frisch\r\n");
    ASSERT_TRUE(fillJobFromPrintFile(path, job, folders.settingsFile()));
    EXPECT_EQ(job.GetPageLine(1, 1), u"frisch");
    EXPECT_TRUE(QFile::exists(path)); // a tool leaves the print file where it is
}
