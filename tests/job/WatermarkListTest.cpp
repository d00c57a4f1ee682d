#include "WatermarkList.h"
#include "JobTestSupport.h"
#include "TempFolders.h"

#include <QFile>

#include <gtest/gtest.h>

// The print dialog's watermark list read from "Wasser.txt" in the program folder.
class WatermarkFile : public ::testing::Test
{
protected:
    TempFolders folders;
    Job job;
    QStringList names{"left over"};

    QString wasser() const { return folders.program() + "/Wasser.txt"; }
    void install(const QString& fixture) const { ASSERT_TRUE(QFile::copy(testDataPath(fixture), wasser())); }
};

TEST_F(WatermarkFile, MissingFileLeavesTheListAsItWas)
{
    EXPECT_FALSE(LoadWatermarks(job, names));
    EXPECT_EQ(names, QStringList{"left over"}); // not even "Ohne"
    EXPECT_TRUE(job.Watermarks().isEmpty());
}

TEST_F(WatermarkFile, ThreeDefinitionsGiveOhneAndThreeNames)
{
    install("job-wasser-three.txt");
    ASSERT_TRUE(LoadWatermarks(job, names));
    // The third definition has an empty text: an empty entry, still offered.
    EXPECT_EQ(names, (QStringList{"Ohne", "Kopie", "Entwurf", {}}));
    ASSERT_EQ(job.Watermarks().size(), 3);
    // List entry 2 stands for the job's watermark 1, handed over without its line end.
    EXPECT_EQ(job.Watermarks()[names.indexOf("Entwurf") - 1], u"Entwurf|Courier New|72| 0| 1| 0| 0| 0| 0| 0| 4| 0");
}

TEST_F(WatermarkFile, EmptyLineInTheMiddleEndsTheReading)
{
    install("job-wasser-gap.txt");
    ASSERT_TRUE(LoadWatermarks(job, names));
    EXPECT_EQ(names, (QStringList{"Ohne", "Kopie"}));
    // The empty line was handed over before it ended the reading; the line after it was not.
    EXPECT_EQ(job.Watermarks(), (QStringList{"Kopie|Arial|120| 1| 0| 0| 0| 0| 0| 0| 12| 0", {}}));
}

TEST_F(WatermarkFile, LineEndsAndOddLines)
{
    // LF line ends, a line without "|" and no final line end.
    TempFolders::writeFile(wasser(), "A|x\nB|y\nohne Trenner\nC|z");
    ASSERT_TRUE(LoadWatermarks(job, names));
    EXPECT_EQ(names, (QStringList{"Ohne", "A", "B"}));
    EXPECT_EQ(job.Watermarks().value(2), u"ohne Trenner");

    // An empty file is still a file: just "Ohne". Text is read in the locale's encoding.
    TempFolders::writeFile(wasser(), "");
    ASSERT_TRUE(LoadWatermarks(job, names));
    EXPECT_EQ(names, QStringList{"Ohne"});
    TempFolders::writeFile(wasser(), "Gr\xc3\xbc\xc3\x9f"
                                     "e|Arial\r\n");
    ASSERT_TRUE(LoadWatermarks(job, names));
    EXPECT_EQ(names.value(1), u"Grüße");
}
