#include "WatermarkList.h"
#include "JobTestSupport.h"
#include "TempFolders.h"

#include <QFile>

#include <gtest/gtest.h>

// The print dialog's watermark list read from "Wasser.txt" in the program folder.
TEST(WatermarkFile, MissingFileLeavesTheListThreeLinesGiveOhneAndThreeNames)
{
    TempFolders folders;
    Job job;
    QStringList names{"left over"};
    EXPECT_FALSE(LoadWatermarks(job, names));
    EXPECT_EQ(names, QStringList{"left over"}); // not even "Ohne"
    EXPECT_TRUE(job.Watermarks().isEmpty());

    ASSERT_TRUE(QFile::copy(testDataPath("job-wasser-three.txt"), folders.program() + "/Wasser.txt"));
    ASSERT_TRUE(LoadWatermarks(job, names));
    EXPECT_EQ(names, (QStringList{"Ohne", "Kopie", "Entwurf", {}})); // an empty text is still offered
    ASSERT_EQ(job.Watermarks().size(), 3);
    // List entry 2 stands for the job's watermark 1, handed over without its line end.
    EXPECT_EQ(job.Watermarks()[names.indexOf("Entwurf") - 1], u"Entwurf|Courier New|72| 0| 1| 0| 0| 0| 0| 0| 4| 0");
}

TEST(WatermarkFile, EmptyLinesLineEndsAndEncoding)
{
    TempFolders folders;
    const QString wasser = folders.program() + "/Wasser.txt";
    Job job;
    QStringList names;
    // An empty line in the middle is handed over, then ends the reading.
    ASSERT_TRUE(QFile::copy(testDataPath("job-wasser-gap.txt"), wasser));
    ASSERT_TRUE(LoadWatermarks(job, names));
    EXPECT_EQ(names, (QStringList{"Ohne", "Kopie"}));
    EXPECT_EQ(job.Watermarks(), (QStringList{"Kopie|Arial|120| 1| 0| 0| 0| 0| 0| 0| 12| 0", {}}));

    // LF line ends, a line without "|" and no final line end.
    TempFolders::writeFile(wasser, "A|x\nB|y\nohne Trenner\nC|z");
    ASSERT_TRUE(LoadWatermarks(job, names));
    EXPECT_EQ(names, (QStringList{"Ohne", "A", "B"}));
    EXPECT_EQ(job.Watermarks().value(2), u"ohne Trenner");

    TempFolders::writeFile(wasser, "");
    ASSERT_TRUE(LoadWatermarks(job, names));
    EXPECT_EQ(names, QStringList{"Ohne"}) << "an empty file is still a file";
    TempFolders::writeFile(wasser, "Gr\xc3\xbc\xc3\x9f"
                                   "e|Arial\r\n"); // the locale's encoding
    ASSERT_TRUE(LoadWatermarks(job, names));
    EXPECT_EQ(names.value(1), u"Grüße");
}
