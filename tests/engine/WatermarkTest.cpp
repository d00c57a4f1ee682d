#include "engine/Canvas.h"
#include "engine/Watermark.h"
#include "engine/WatermarkDefinition.h"

#include <QImage>

#include <gtest/gtest.h>

#include <cmath>

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

namespace {

// Ink is every pixel that is not white: its count, centroid, height and principal
// direction (degrees, counter-clockwise).
struct Ink
{
    double count = 0, cx = 0, cy = 0, height = 0, angle = 0;
};

// Paints the definition on a square page of `inches` at `dpi` and measures the ink.
Ink draw(const QString& definition, double inches = 5, int dpi = 100)
{
    QImage image(qRound(inches * dpi), qRound(inches * dpi), QImage::Format_RGB32);
    image.setDotsPerMeterX(qRound(dpi / 0.0254));
    image.setDotsPerMeterY(qRound(dpi / 0.0254));
    const QRgb background = qRgb(255, 255, 255);
    image.fill(background);
    {
        Canvas dc(&image);
        drawWatermark(dc, definition);
    }
    Ink ink;
    double sxx = 0, syy = 0, sxy = 0, top = 1e9, bottom = -1;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != background) {
                ink.count += 1, ink.cx += x, ink.cy += y, sxx += x * x, syy += y * y, sxy += x * y;
                top = std::min<double>(top, y), bottom = y;
            }
    if (ink.count == 0)
        return ink;
    ink.cx /= ink.count, ink.cy /= ink.count, ink.height = bottom - top + 1;
    const double cxx = sxx / ink.count - ink.cx * ink.cx, cyy = syy / ink.count - ink.cy * ink.cy;
    ink.angle = -0.5 * std::atan2(2 * (sxy / ink.count - ink.cx * ink.cy), cxx - cyy) * 180.0 / M_PI;
    return ink;
}

QString definition(int h, int v, int rotation, const QString& styles = " 0| 0| 0| 0", const QString& text = "MMMMMM")
{
    return QStringLiteral("%1|Arial|36|%2|%3|%4|%5| 0| 0").arg(text, styles).arg(h).arg(v).arg(rotation);
}

} // namespace

TEST(WatermarkPainter, CentredTurnedCounterClockwiseAndMovedByTheSameDistanceAtAnyResolution)
{
    for (const int rotation : {0, 450, -450}) {
        const Ink ink = draw(definition(0, 0, rotation));
        EXPECT_NEAR(ink.cx, 250, 3);
        EXPECT_NEAR(ink.cy, 250, 3);
        EXPECT_NEAR(ink.angle, rotation / 10.0, 2.0) << rotation;
    }

    // One inch right and half an inch up, on a fine and a coarse canvas, also when turned:
    // the offsets move the page position, they do not turn with the text. The size is
    // in points of the page, so the letters stand as high in inches on both.
    for (const int dpi : {300, 72}) {
        for (const int rotation : {0, 900}) {
            const Ink a = draw(definition(0, 0, rotation), 5, dpi);
            const Ink b = draw(definition(254, -127, rotation), 5, dpi);
            EXPECT_NEAR(b.cx - a.cx, dpi, 1.5) << dpi << " dpi, rotation " << rotation;
            EXPECT_NEAR(b.cy - a.cy, -dpi / 2.0, 1.5) << dpi << " dpi, rotation " << rotation;
            if (rotation == 0) {
                EXPECT_NEAR(a.height / dpi, 36.0 / 72.0 * 0.729, 0.03) << dpi; // cap height of the font
            }
        }
    }
}

TEST(WatermarkPainter, StylesReachTheFontEmptyTextDrawsNothingAndThePainterIsLeftAsItWas)
{
    const Ink regular = draw(definition(0, 0, 0));
    EXPECT_GT(draw(definition(0, 0, 0, " 1| 0| 0| 0")).count, regular.count * 1.15) << "bold";
    EXPECT_GT(draw(definition(0, 0, 0, " 0| 0| 1| 0")).height, regular.height + 2) << "underline";
    EXPECT_GT(draw(definition(0, 0, 0, " 0| 0| 0| 1")).count, regular.count * 1.05) << "strikethrough";
    const double lean = draw(definition(0, 0, 0, " 0| 1| 0| 0", "l")).angle; // upright: ±90
    EXPECT_TRUE(lean > 70 && lean < 87) << "italic leans to the right: " << lean;

    for (const char* line : {"", "|Arial|72| 1| 0| 0| 0| 0| 0| 0| 0| 0", "ohne Trenner", "|||||||||||||||"})
        EXPECT_EQ(draw(QString::fromUtf8(line), 3).count, 0) << line;
    // A huge size is capped; an unknown font gives another font.
    QImage image(100, 100, QImage::Format_RGB32);
    Canvas dc(&image);
    dc.painter().setPen(Qt::blue);
    drawWatermark(dc, QStringLiteral("W|Keine Schrift|99999999| 0| 0| 0| 0| 0| 0| 900| 0| 0"));
    EXPECT_EQ(dc.painter().pen().color(), QColor(Qt::blue));
    EXPECT_TRUE(dc.painter().transform().isIdentity());
}
