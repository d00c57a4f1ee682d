#include "Canvas.h"
#include "Watermark.h"

#include <QImage>

#include <gtest/gtest.h>

#include <cmath>

namespace {

// Ink is every pixel unlike the page: its count, centroid, height and principal direction
// (degrees, counter-clockwise).
struct Ink
{
    double count = 0, cx = 0, cy = 0, height = 0, angle = 0;
};

// Paints the definition on a square page of `inches` at `dpi` and measures the ink.
Ink draw(const QString& definition, double inches = 5, int dpi = 100, QImage* out = nullptr,
         QRgb background = qRgb(255, 255, 255))
{
    QImage image(qRound(inches * dpi), qRound(inches * dpi), QImage::Format_RGB32);
    image.setDotsPerMeterX(qRound(dpi / 0.0254));
    image.setDotsPerMeterY(qRound(dpi / 0.0254));
    image.fill(background);
    {
        Canvas dc(&image);
        PRINTWM2(dc, definition);
    }
    Ink ink;
    double sxx = 0, syy = 0, sxy = 0, top = 1e9, bottom = -1;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != background) {
                ink.count += 1, ink.cx += x, ink.cy += y, sxx += x * x, syy += y * y, sxy += x * y;
                top = std::min<double>(top, y), bottom = y;
            }
    if (out)
        *out = image;
    if (ink.count == 0)
        return ink;
    ink.cx /= ink.count, ink.cy /= ink.count, ink.height = bottom - top + 1;
    const double cxx = sxx / ink.count - ink.cx * ink.cx, cyy = syy / ink.count - ink.cy * ink.cy;
    ink.angle = -0.5 * std::atan2(2 * (sxy / ink.count - ink.cx * ink.cy), cxx - cyy) * 180.0 / M_PI;
    return ink;
}

QString definition(const QString& styles, int h = 0, int v = 0, int rotation = 0, const QString& colour = " 0| 0",
                   const QString& text = "MMMMMM")
{
    return QStringLiteral("%1|Arial|36|%2|%3|%4|%5|%6").arg(text, styles).arg(h).arg(v).arg(rotation).arg(colour);
}

const QString plain = QStringLiteral(" 0| 0| 0| 0");

} // namespace

TEST(WatermarkPainter, CentredTurnedCounterClockwiseAndMovedByTheSameDistanceAtAnyResolution)
{
    for (const int rotation : {0, 450, -450}) {
        const Ink ink = draw(definition(plain, 0, 0, rotation));
        EXPECT_NEAR(ink.cx, 250, 3);
        EXPECT_NEAR(ink.cy, 250, 3);
        EXPECT_NEAR(ink.angle, rotation / 10.0, 2.0) << rotation;
    }

    // One inch right and half an inch up, on a fine and a coarse canvas, also when turned:
    // the offsets move the page position, they do not turn with the text. The size is
    // in points of the page, so the letters stand as high in inches on both.
    for (const int dpi : {300, 72}) {
        for (const int rotation : {0, 900}) {
            const Ink a = draw(definition(plain, 0, 0, rotation), 5, dpi);
            const Ink b = draw(definition(plain, 254, -127, rotation), 5, dpi);
            EXPECT_NEAR(b.cx - a.cx, dpi, 1.5) << dpi << " dpi, rotation " << rotation;
            EXPECT_NEAR(b.cy - a.cy, -dpi / 2.0, 1.5) << dpi << " dpi, rotation " << rotation;
            if (rotation == 0) {
                EXPECT_NEAR(a.height / dpi, 36.0 / 72.0 * 0.729, 0.03) << dpi; // cap height of the font
            }
        }
    }
}

TEST(WatermarkPainter, ShownColourOpaqueAndStyles)
{
    // Palette colour 4 (128, 0, 0) lifted by 100 on a dark page: the letters' inner pixels
    // are exactly the shown colour, not a blend with the page.
    QImage dark;
    const Ink ink = draw(definition(" 1| 0| 0| 0", 0, 0, 0, " 4| 100"), 4, 100, &dark, qRgb(40, 40, 40));
    int exact = 0;
    for (int y = 0; y < dark.height(); ++y)
        for (int x = 0; x < dark.width(); ++x)
            exact += dark.pixel(x, y) == qRgb(228, 100, 100);
    EXPECT_GT(exact, ink.count / 2);

    const Ink regular = draw(definition(plain));
    EXPECT_GT(draw(definition(" 1| 0| 0| 0")).count, regular.count * 1.15);
    EXPECT_GT(draw(definition(" 0| 0| 1| 0")).height, regular.height + 2); // underline below the letters
    EXPECT_GT(draw(definition(" 0| 0| 0| 1")).count, regular.count * 1.05);
    // An upright "l" stands at 90 degrees; italic leans it to the right.
    EXPECT_GT(std::abs(draw(definition(plain, 0, 0, 0, " 0| 0", "l")).angle), 88.0);
    const double italic = draw(definition(" 0| 1| 0| 0", 0, 0, 0, " 0| 0", "l")).angle;
    EXPECT_GT(italic, 70.0);
    EXPECT_LT(italic, 87.0);
}

TEST(WatermarkPainter, EmptyTextDrawsNothingAndBadLinesNeverFail)
{
    for (const char* line : {"", "|Arial|72| 1| 0| 0| 0| 0| 0| 0| 0| 0", "ohne Trenner", "|||||||||||||||",
                             "X|Keine|99999999| 1| 1| 1| 1| 2147483647|-2147483648| 2147483647| 99| 999"})
        EXPECT_EQ(draw(QString::fromUtf8(line), 3).count, 0) << line;
    // No number as size: the default size; an unknown font: another font.
    const Ink ink = draw(QStringLiteral("Muster|Keine Schrift|groß| 0| 0| 0| 0| 0| 0| 0| 0| 0"), 3);
    EXPECT_GT(ink.count, 0);
    EXPECT_LT(ink.height, 12.0 / 72.0 * 100.0 * 1.3);
    // A huge size is capped, and the painter is left as it was.
    QImage image(100, 100, QImage::Format_RGB32);
    Canvas dc(&image);
    dc.painter().setPen(Qt::blue);
    PRINTWM2(dc, QStringLiteral("W|Arial|99999999| 0| 0| 0| 0| 0| 0| 0| 0| 0"));
    EXPECT_EQ(dc.painter().pen().color(), QColor(Qt::blue));
    EXPECT_TRUE(dc.painter().transform().isIdentity());
}
