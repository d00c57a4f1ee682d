#include "WatermarkDefinition.h"

#include <gtest/gtest.h>

namespace {

const QString example = QStringLiteral("Kopie|Arial|120| 1| 0| 0| 0|-100| 50| 450| 12| 60");

WatermarkDefinition distinctDefinition()
{
    WatermarkDefinition d;
    d.text = QStringLiteral("Alt");
    d.fontName = QStringLiteral("Courier New");
    d.size = QStringLiteral("33");
    d.italic = true;
    d.strikethrough = true;
    d.horizontalOffset = 7;
    d.verticalOffset = -8;
    d.rotation = 9;
    d.colourIndex = 3;
    d.brightness = 44;
    return d;
}

} // namespace

TEST(WatermarkDefinition, ComposeAndParseAgreeOnTheFileFormat)
{
    const WatermarkDefinition d = WatermarkDefinition::parse(example);
    EXPECT_EQ(d.text, "Kopie");
    EXPECT_EQ(d.fontName, "Arial");
    EXPECT_EQ(d.size, "120");
    EXPECT_TRUE(d.bold);
    EXPECT_FALSE(d.italic || d.underline || d.strikethrough);
    EXPECT_EQ(d.horizontalOffset, -100);
    EXPECT_EQ(d.verticalOffset, 50);
    EXPECT_EQ(d.rotation, 450);
    EXPECT_EQ(d.colourIndex, 12);
    EXPECT_EQ(d.brightness, 60);
    EXPECT_EQ(d.compose(), example);

    // The size is written exactly as typed; numbers carry a blank or a minus sign; an
    // empty text is still a definition that survives the round trip.
    WatermarkDefinition odd = distinctDefinition();
    odd.text.clear();
    odd.size = QStringLiteral("12 Punkt");
    odd.rotation = -50;
    EXPECT_EQ(odd.compose(), "|Courier New|12 Punkt| 0| 1| 0| 1| 7|-8|-50| 3| 44");
    EXPECT_EQ(WatermarkDefinition::parse(odd.compose(), distinctDefinition()), odd);
    EXPECT_EQ(WatermarkDefinition::parse(odd.compose()), odd);
}

TEST(WatermarkDefinition, MissingOrUnreadableFieldsKeepThePreviousValues)
{
    const WatermarkDefinition previous = distinctDefinition();

    // Empty line: nothing changes.
    EXPECT_EQ(WatermarkDefinition::parse(QString(), previous), previous);

    // Three fields: text, font and size are taken, everything else stays.
    WatermarkDefinition d = WatermarkDefinition::parse(QStringLiteral("Neu|Times|48|"), previous);
    EXPECT_EQ(d.text, "Neu");
    EXPECT_EQ(d.fontName, "Times");
    EXPECT_EQ(d.size, "48");
    EXPECT_EQ(d.rotation, previous.rotation);
    EXPECT_EQ(d.brightness, previous.brightness);

    // The text after the last "|" goes to the brightness, even when it stood for bold.
    d = WatermarkDefinition::parse(QStringLiteral("Kopie|Arial|120| 1"), previous);
    EXPECT_EQ(d.brightness, 1);
    EXPECT_EQ(d.bold, previous.bold);

    // A line without any "|" changes nothing but a readable brightness.
    EXPECT_EQ(WatermarkDefinition::parse(QStringLiteral("Entwurf"), previous), previous);
    EXPECT_EQ(WatermarkDefinition::parse(QStringLiteral(" 77"), previous).brightness, 77);
    EXPECT_EQ(WatermarkDefinition::parse(QStringLiteral(" 77"), previous).text, previous.text);

    // Letters, empty fields, numbers out of range: each keeps only its own attribute.
    d = WatermarkDefinition::parse(QStringLiteral("T|F|S|ja| 1||1x|--5|abc| 9| 16| 256"), previous);
    EXPECT_EQ(d.bold, previous.bold);
    EXPECT_TRUE(d.italic);
    EXPECT_EQ(d.underline, previous.underline);
    EXPECT_EQ(d.strikethrough, previous.strikethrough);
    EXPECT_EQ(d.horizontalOffset, previous.horizontalOffset);
    EXPECT_EQ(d.verticalOffset, previous.verticalOffset);
    EXPECT_EQ(d.rotation, 9);
    EXPECT_EQ(d.colourIndex, previous.colourIndex);
    EXPECT_EQ(d.brightness, previous.brightness);

    // Numbers without the blank, with a plus sign or a fraction (halves to even), beyond
    // 32 bits (kept), any non-zero style value (on).
    d = WatermarkDefinition::parse(QStringLiteral("T|F|S|5|0|-1|0|+150|2.5|3.5|0|255"), previous);
    EXPECT_TRUE(d.bold);
    EXPECT_TRUE(d.underline);
    EXPECT_FALSE(d.italic);
    EXPECT_EQ(d.horizontalOffset, 150);
    EXPECT_EQ(d.verticalOffset, 2);
    EXPECT_EQ(d.rotation, 4);
    EXPECT_EQ(d.colourIndex, 0);
    EXPECT_EQ(d.brightness, 255);
    d = WatermarkDefinition::parse(QStringLiteral("T|F|S| 0| 0| 0| 0| 2147483648|-2147483648| 0| 0| 0"), previous);
    EXPECT_EQ(d.horizontalOffset, previous.horizontalOffset);
    EXPECT_EQ(d.verticalOffset, std::numeric_limits<qint32>::min());
}

TEST(WatermarkDefinition, BarInTextShiftsLaterFieldsAndNameIsTextBeforeFirstBar)
{
    const QString line = QStringLiteral("A|B|Arial|120| 1| 0| 0| 0| 0| 0| 0| 12| 60");
    const WatermarkDefinition d = WatermarkDefinition::parse(line);
    EXPECT_EQ(d.text, "A");
    EXPECT_EQ(d.fontName, "B");
    EXPECT_EQ(d.size, "Arial");
    EXPECT_TRUE(d.bold);   // "120"
    EXPECT_TRUE(d.italic); // " 1"
    EXPECT_EQ(d.colourIndex, 0);
    EXPECT_EQ(d.brightness, 0); // " 12| 60" is not one number
    EXPECT_EQ(WatermarkDefinition::nameOf(line), "A");
    EXPECT_EQ(WatermarkDefinition::nameOf(example), "Kopie");
    EXPECT_EQ(WatermarkDefinition::nameOf(QStringLiteral("| 1")), "");
    EXPECT_EQ(WatermarkDefinition::nameOf(QStringLiteral("ohne Trenner")), "ohne Trenner");
}

TEST(WatermarkDefinition, ShownColourIsPaletteColourPlusBrightnessCapped)
{
    EXPECT_EQ(WatermarkDefinition::paletteColour(0), QColor(0, 0, 0));
    EXPECT_EQ(WatermarkDefinition::paletteColour(6), QColor(128, 128, 0));
    EXPECT_EQ(WatermarkDefinition::paletteColour(7), QColor(192, 192, 192));
    EXPECT_EQ(WatermarkDefinition::paletteColour(8), QColor(128, 128, 128));
    EXPECT_EQ(WatermarkDefinition::paletteColour(13), QColor(255, 0, 255));
    EXPECT_EQ(WatermarkDefinition::paletteColour(16), QColor(0, 0, 0));
    EXPECT_EQ(WatermarkDefinition::paletteColour(-1), QColor(0, 0, 0));

    EXPECT_EQ(WatermarkDefinition::shownColour(12, 200), QColor(255, 200, 200));
    EXPECT_EQ(WatermarkDefinition::shownColour(4, 127), QColor(255, 127, 127));
    EXPECT_EQ(WatermarkDefinition::shownColour(4, 128), QColor(255, 128, 128));
    for (int index = 0; index < 16; ++index) {
        EXPECT_EQ(WatermarkDefinition::shownColour(index, 0), WatermarkDefinition::paletteColour(index));
        EXPECT_EQ(WatermarkDefinition::shownColour(index, 255), QColor(255, 255, 255)) << index;
    }
    EXPECT_EQ(WatermarkDefinition::parse(example).shownColour(), QColor(255, 60, 60));
}
