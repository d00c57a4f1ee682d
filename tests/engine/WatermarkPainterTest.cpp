#include "Canvas.h"
#include "Watermark.h"
#include "WatermarkDefinition.h"

#include <QImage>

#include <gtest/gtest.h>

#include <cmath>

namespace {

QImage page(double widthInches, double heightInches, int dpi, QRgb background = qRgb(255, 255, 255))
{
    QImage image(qRound(widthInches * dpi), qRound(heightInches * dpi), QImage::Format_RGB32);
    image.setDotsPerMeterX(qRound(dpi / 0.0254));
    image.setDotsPerMeterY(qRound(dpi / 0.0254));
    image.fill(background);
    return image;
}

QString line(const QString& text, const QString& size, int h, int v, int rotation, const QString& styles = " 0| 0| 0| 0",
             int colour = 0, int brightness = 0)
{
    WatermarkDefinition d = WatermarkDefinition::parse(QStringLiteral("%1|Arial|%2|%3| 0| 0| 0| 0| 0").arg(text, size, styles));
    d.horizontalOffset = h;
    d.verticalOffset = v;
    d.rotation = rotation;
    d.colourIndex = qint16(colour);
    d.brightness = qint16(brightness);
    return d.compose();
}

// Where the ink lies: every pixel that differs from the background, with its centroid,
// bounding box and principal direction (degrees, counter-clockwise from the x axis).
struct Ink
{
    qint64 count = 0;
    double cx = 0, cy = 0;
    int minX = INT_MAX, maxX = -1, minY = INT_MAX, maxY = -1;
    double angle = 0;
};

Ink inkOf(const QImage& image, QRgb background = qRgb(255, 255, 255))
{
    Ink ink;
    double sx = 0, sy = 0, sxx = 0, syy = 0, sxy = 0;
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if ((row[x] & 0xffffff) == (background & 0xffffff))
                continue;
            ++ink.count;
            sx += x, sy += y, sxx += double(x) * x, syy += double(y) * y, sxy += double(x) * y;
            ink.minX = std::min(ink.minX, x), ink.maxX = std::max(ink.maxX, x);
            ink.minY = std::min(ink.minY, y), ink.maxY = std::max(ink.maxY, y);
        }
    }
    if (ink.count == 0)
        return ink;
    const double n = double(ink.count);
    ink.cx = sx / n, ink.cy = sy / n;
    const double cxx = sxx / n - ink.cx * ink.cx, cyy = syy / n - ink.cy * ink.cy, cxy = sxy / n - ink.cx * ink.cy;
    // y grows downwards on the image; flip it so a positive angle turns counter-clockwise.
    ink.angle = -0.5 * std::atan2(2 * cxy, cxx - cyy) * 180.0 / M_PI;
    return ink;
}

Ink draw(QImage& image, const QString& definition, QRgb background = qRgb(255, 255, 255))
{
    {
        Canvas dc(&image);
        PRINTWM2(dc, definition);
    }
    return inkOf(image, background);
}

} // namespace

TEST(WatermarkPainter, TextIsCentredAndTurnedCounterClockwise)
{
    const QString text = QStringLiteral("MMMMMMMMMMMM");
    struct Case
    {
        int rotation;
        double angle;
    };
    for (const Case c : {Case{0, 0.0}, Case{450, 45.0}, Case{-450, -45.0}, Case{900, 90.0}}) {
        QImage image = page(5, 5, 100);
        const Ink ink = draw(image, line(text, "40", 0, 0, c.rotation));
        ASSERT_GT(ink.count, 1000) << c.rotation;
        EXPECT_NEAR(ink.cx, 250, 3) << c.rotation;
        EXPECT_NEAR(ink.cy, 250, 3) << c.rotation;
        // The angle of a line is only defined up to half a turn.
        const double error = std::remainder(ink.angle - c.angle, 180.0);
        EXPECT_NEAR(error, 0.0, 2.0) << c.rotation << " drawn at " << ink.angle;
    }

    // At 45 degrees the ink runs from the lower left to the upper right through the centre.
    QImage image = page(5, 5, 100);
    draw(image, line(text, "40", 0, 0, 450));
    EXPECT_NE(image.pixel(180, 320), qRgb(255, 255, 255));
    EXPECT_NE(image.pixel(320, 180), qRgb(255, 255, 255));
    EXPECT_EQ(inkOf(image.copy(0, 0, 150, 150)).count, 0); // upper left corner stays clean
    EXPECT_EQ(inkOf(image.copy(350, 350, 150, 150)).count, 0);
}

TEST(WatermarkPainter, OffsetsAndSizeAreTheSameOnEveryResolution)
{
    for (const int dpi : {300, 72}) {
        for (const int rotation : {0, 900}) {
            QImage centred = page(4, 4, dpi);
            QImage moved = page(4, 4, dpi);
            const Ink a = draw(centred, line("XX", "36", 0, 0, rotation));
            // One inch to the right, half an inch up; the offsets do not turn with the text.
            const Ink b = draw(moved, line("XX", "36", 254, -127, rotation));
            ASSERT_GT(a.count, 0);
            EXPECT_NEAR(b.cx - a.cx, dpi, 1.5) << dpi << " dpi, rotation " << rotation;
            EXPECT_NEAR(b.cy - a.cy, -dpi / 2.0, 1.5) << dpi << " dpi, rotation " << rotation;
            EXPECT_NEAR(a.cx, 2.0 * dpi, 2.0);
        }
    }

    // 36 points of height are half an inch of em; the X glyphs stand about 0.36 inch high
    // on both canvases.
    QImage fine = page(4, 4, 300);
    QImage coarse = page(4, 4, 72);
    const Ink f = draw(fine, line("XX", "36", 0, 0, 0));
    const Ink c = draw(coarse, line("XX", "36", 0, 0, 0));
    const double fineHeight = (f.maxY - f.minY + 1) / 300.0, coarseHeight = (c.maxY - c.minY + 1) / 72.0;
    const double fineWidth = (f.maxX - f.minX + 1) / 300.0, coarseWidth = (c.maxX - c.minX + 1) / 72.0;
    EXPECT_NEAR(fineHeight, 36.0 / 72.0 * 0.729, 0.03);
    EXPECT_NEAR(coarseHeight, fineHeight, 0.03);
    EXPECT_NEAR(coarseWidth, fineWidth, 0.04);
}

TEST(WatermarkPainter, DrawsInTheShownColourOpaque)
{
    // Palette colour 4 (128, 0, 0) lifted by 100, on a dark page: the glyphs' inner pixels
    // carry exactly the shown colour, not a blend with the page.
    const QRgb dark = qRgb(40, 40, 40);
    QImage image = page(4, 2, 100, dark);
    draw(image, line("HHH", "72", 0, 0, 0, " 1| 0| 0| 0", 4, 100), dark);
    qint64 exact = 0, reddish = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            exact += p == qRgb(228, 100, 100);
            reddish += p != dark;
        }
    }
    EXPECT_GT(exact, 2000);
    EXPECT_GT(exact * 2, reddish); // most ink is solid colour, only the edges are smoothed
}

TEST(WatermarkPainter, StylesChangeTheInk)
{
    auto inkWith = [](const QString& styles, const QString& text = "ooo") {
        QImage image = page(4, 2, 100);
        return draw(image, line(text, "60", 0, 0, 0, styles));
    };
    const Ink regular = inkWith(" 0| 0| 0| 0");
    const Ink bold = inkWith(" 1| 0| 0| 0");
    const Ink underline = inkWith(" 0| 0| 1| 0");
    const Ink strike = inkWith(" 0| 0| 0| 1");
    EXPECT_GT(bold.count, regular.count * 1.15);
    EXPECT_GT(underline.maxY, regular.maxY + 2); // the rule lies below the letters
    EXPECT_GT(strike.count, regular.count * 1.05);
    EXPECT_NEAR(strike.maxY, regular.maxY, 1); // inside the letters
    EXPECT_LT(strike.minX, regular.minX + 3);

    // Italic leans to the right: the upper half of an "l" stands right of its lower half.
    auto lean = [](const QString& styles) {
        QImage image = page(2, 2, 100);
        const Ink all = draw(image, line("l", "90", 0, 0, 0, styles));
        const int middle = (all.minY + all.maxY) / 2;
        const Ink top = inkOf(image.copy(0, 0, image.width(), middle));
        const Ink bottom = inkOf(image.copy(0, middle, image.width(), image.height() - middle));
        return top.cx - bottom.cx;
    };
    EXPECT_NEAR(lean(" 0| 0| 0| 0"), 0.0, 1.0);
    EXPECT_GT(lean(" 0| 1| 0| 0"), 5.0);
}

TEST(WatermarkPainter, EmptyTextDrawsNothingAndBadLinesNeverFail)
{
    for (const QString& definition :
         {QString(), QStringLiteral("|Arial|72| 1| 0| 0| 0| 0| 0| 0| 0| 0"), QStringLiteral("ohne Trenner"),
          QStringLiteral("|||||||||||||||"),
          // Huge size and offsets: the text lands far off the page.
          QStringLiteral("X|Keine Schrift|99999999| 1| 1| 1| 1| 2147483647|-2147483648| 2147483647| 99| 999")}) {
        QImage image = page(3, 3, 100);
        EXPECT_EQ(draw(image, definition).count, 0) << definition.toStdString();
    }

    // A size that is not a number still draws, at the default size; an unknown font falls
    // back to another one.
    QImage image = page(3, 3, 100);
    const Ink ink = draw(image, QStringLiteral("Muster|Keine Schrift|groß| 0| 0| 0| 0| 0| 0| 0| 0| 0"));
    EXPECT_GT(ink.count, 0);
    EXPECT_LT(ink.maxY - ink.minY, 12.0 / 72.0 * 100.0 * 1.3);

    // A huge size on a page is capped, not refused, and leaves the painter as it was.
    QImage big = page(3, 3, 100);
    Canvas dc(&big);
    dc.painter().setPen(Qt::blue);
    PRINTWM2(dc, QStringLiteral("W|Arial|99999999| 0| 0| 0| 0| 0| 0| 0| 0| 0"));
    EXPECT_EQ(dc.painter().pen().color(), QColor(Qt::blue));
    EXPECT_TRUE(dc.painter().transform().isIdentity());
    dc.end();
    EXPECT_GT(inkOf(big).count, 0);
}
