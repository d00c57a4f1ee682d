#include "Printers.h"

#include <gtest/gtest.h>

TEST(Printers, SpoolerTitlesAreShortCleanUtf8)
{
    EXPECT_EQ(printers::spoolerTitle("_home_a_xDOS_Job"), "_home_a_xDOS_Job");
    EXPECT_EQ(printers::spoolerTitle("a\tb\nc\x1b" "d"), "abcd") << "control characters would make it Untitled";
    EXPECT_EQ(printers::spoolerTitle(QString(300, 'x')).toUtf8().size(), 255);
    const QString umlauts = printers::spoolerTitle(QString(200, QChar(0xE4)));
    EXPECT_EQ(umlauts.size(), 127) << "cut on a character boundary: 254 bytes";
    EXPECT_EQ(printers::spoolerTitle("Fax an Müller GmbH – €"), "Fax an Müller GmbH – €");
}
