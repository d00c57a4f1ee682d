#include "WatermarkDefinition.h"

#include <gtest/gtest.h>

// Which field is which is shown where they take effect: WatermarkPainter (offsets,
// rotation), WatermarkEditor.StepsRotateAndBrightness... (the line saved); that a composed
// line parses back the same is replayed over every watermark seed by FuzzSeeds.watermark.
TEST(WatermarkDefinition, MissingOrUnreadableFieldsKeepThePreviousValues)
{
    const WatermarkDefinition previous =
        WatermarkDefinition::parse(QStringLiteral("Alt|Arial|72| 0| 1| 0| 0| 7|-8| 0| 3| 44"));
    EXPECT_EQ(WatermarkDefinition::parse(QStringLiteral("Entwurf"), previous), previous);

    // A short line: the text after the last "|" is read as the brightness.
    WatermarkDefinition d = WatermarkDefinition::parse(QStringLiteral("Kopie|Times|120| 1"), previous);
    EXPECT_EQ(d.fontName, "Times");
    EXPECT_EQ(d.bold, previous.bold);
    EXPECT_EQ(d.brightness, 1);

    // Letters, empty fields, two numbers, out-of-range colour and brightness keep theirs.
    d = WatermarkDefinition::parse(QStringLiteral("T|F|S|ja| 0||1x|--5| 2| 9| 16| 256"), previous);
    EXPECT_EQ(
        QList<int>({d.bold, d.italic, d.horizontalOffset, d.verticalOffset, d.colourIndex, d.brightness}),
        QList<int>({previous.bold, false, previous.horizontalOffset, 2, previous.colourIndex, previous.brightness}));

    // Plus signs, fractions (halves to even), any non-zero style, the 32-bit limits.
    d = WatermarkDefinition::parse(QStringLiteral("T|F|S|5| 0| 0| 0|+150|2.5|2147483648| 0|255"), previous);
    EXPECT_EQ(QList<int>({d.bold, d.horizontalOffset, d.verticalOffset, d.rotation, d.brightness}),
              QList<int>({true, 150, 2, previous.rotation, 255}));

    // A size that is no number draws at the default size.
    EXPECT_EQ(WatermarkDefinition::parse(QStringLiteral("T|F|groß| 0"), previous).pointSize(),
              WatermarkDefinition::defaultPointSize);
    // A "|" typed into the text shifts every later field by one place.
    d = WatermarkDefinition::parse(QStringLiteral("A|B|Arial|120| 1| 0| 0| 0| 0| 0| 0| 12| 60"));
    EXPECT_EQ(QStringList({d.text, d.fontName, d.size}), QStringList({"A", "B", "Arial"}));
    EXPECT_EQ(d.brightness, 0); // " 12| 60" is not one number
}
