#include "ReadingRules.h"

#include <gtest/gtest.h>

using namespace rules;

// The value rules where a plain toInt() or trimmed() would be wrong; flags, the watermark
// layer digit and blank trimming are shown through a whole settings file in ServerSettings.
TEST(ReadingRules, NumbersTakeTheLeadingNumericPartRoundedHalfToEvenAndStringsLoseNuls)
{
    const std::pair<const char*, qint32> numbers[] = {
        {"70.5", 70}, {"71.5", 72},        {"-2.5", -2}, {"abc", 0}, {"", 0},  {"12abc", 12},
        {"+7", 7},    {"1 2\t3\n4", 1234}, {"1.2.3", 1}, {"1e3", 1}, {"-", 0}, {"99999999999", 2147483647},
    };
    for (const auto& [text, value] : numbers)
        EXPECT_EQ(wholeNumber(text), value) << text;
    EXPECT_TRUE(flagValue(" 0")) << "the value as returned: a leading blank counts";
    EXPECT_EQ(stringValue(QString::fromUtf16(u"  ab\0c  ", 8)), "abc");
    EXPECT_EQ(stringValue("\tx\t"), "\tx\t") << "only blanks are trimmed";
}
