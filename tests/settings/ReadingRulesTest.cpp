#include "ReadingRules.h"

#include <gtest/gtest.h>

using namespace rules;

TEST(ReadingRules, NumbersTakeTheLeadingNumericPartRoundedHalfToEven)
{
    EXPECT_EQ(wholeNumber("70.5"), 70);
    EXPECT_EQ(wholeNumber("71.5"), 72);
    EXPECT_EQ(wholeNumber("-2.5"), -2);
    EXPECT_EQ(wholeNumber("abc"), 0);
    EXPECT_EQ(wholeNumber(""), 0);
    EXPECT_EQ(wholeNumber(" 65"), 65);
    EXPECT_EQ(wholeNumber("1 2\t3\n4"), 1234) << "blanks, tabs and line feeds are ignored anywhere";
    EXPECT_EQ(wholeNumber("12abc"), 12);
    EXPECT_EQ(wholeNumber("3000ms"), 3000);
    EXPECT_EQ(wholeNumber("+7"), 7);
    EXPECT_EQ(wholeNumber("1.2.3"), 1) << "a second point ends the number";
    EXPECT_EQ(wholeNumber("1e3"), 1) << "no exponent";
    EXPECT_EQ(wholeNumber("-"), 0);
    EXPECT_EQ(wholeNumber("99999999999"), 2147483647) << "clamped, never wrapped";
    EXPECT_DOUBLE_EQ(numericValue("1.5"), 1.5);
}

TEST(ReadingRules, FlagsAreFalseExactlyWhenTheFirstCharacterIsZero)
{
    EXPECT_TRUE(flagValue(""));
    EXPECT_FALSE(flagValue("0abc"));
    EXPECT_FALSE(flagValue("0"));
    EXPECT_TRUE(flagValue(" 0")) << "the value as returned: a leading blank counts";
    EXPECT_TRUE(flagValue("1"));
    EXPECT_TRUE(flagValue("-1"));
    EXPECT_TRUE(flagValue("no"));
}

TEST(ReadingRules, WaterlayerIsTheFirstCharactersDigit)
{
    EXPECT_EQ(firstDigitValue("12"), 1);
    EXPECT_EQ(firstDigitValue("0"), 0);
    EXPECT_EQ(firstDigitValue("9x"), 9);
    EXPECT_EQ(firstDigitValue("x1"), 0);
    EXPECT_EQ(firstDigitValue(""), 0);
}

TEST(ReadingRules, StringsLoseNulsAndBlanksAtBothEnds)
{
    EXPECT_EQ(stringValue(QString::fromUtf16(u"  ab\0c  ", 8)), "abc");
    EXPECT_EQ(stringValue("\tx\t"), "\tx\t") << "only blanks are trimmed";
}

TEST(ReadingRules, NumbersForTheFileCarryABlankInPlaceOfThePlusSign)
{
    EXPECT_EQ(signedNumber(1), " 1");
    EXPECT_EQ(signedNumber(65), " 65");
    EXPECT_EQ(signedNumber(0), " 0");
    EXPECT_EQ(signedNumber(-100), "-100");
}
