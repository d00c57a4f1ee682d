#include "WatermarkList.h"
#include "Job.h"
#include "TempFolders.h"

#include <gtest/gtest.h>

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
