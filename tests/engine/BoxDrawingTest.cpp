// Frames drawn from box-drawing characters must close: strokes meet across cells and
// across lines at any resolution and scale.

#include "CodePage.h"
#include "RenderTestSupport.h"

#include <QPainter>

#include <gtest/gtest.h>

using namespace rendertest;

namespace {

// Every pixel from `from` to `to` along a row (or a column) is ink.
int gapsAlongRow(const QImage& image, int y, int x0, int x1)
{
    int gaps = 0;
    for (int x = x0; x <= x1; ++x)
        gaps += isInk(image.pixel(x, y)) ? 0 : 1;
    return gaps;
}

int gapsAlongColumn(const QImage& image, int x, int y0, int y1)
{
    int gaps = 0;
    for (int y = y0; y <= y1; ++y)
        gaps += isInk(image.pixel(x, y)) ? 0 : 1;
    return gaps;
}

// The darkest row of a horizontal stroke inside `area`, and the darkest column of a
// vertical one.
int strokeRow(const QImage& image, const QRect& area)
{
    int best = area.top();
    qint64 most = -1;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const qint64 ink = inkAmount(image, QRect(area.left(), y, area.width(), 1));
        if (ink > most) {
            most = ink;
            best = y;
        }
    }
    return best;
}

int strokeColumn(const QImage& image, const QRect& area)
{
    int best = area.left();
    qint64 most = -1;
    for (int x = area.left(); x <= area.right(); ++x) {
        const qint64 ink = inkAmount(image, QRect(x, area.top(), 1, area.height()));
        if (ink > most) {
            most = ink;
            best = x;
        }
    }
    return best;
}

struct FrameCase
{
    int dpi;
    QString prefix; // escape codes in front of every line
    QString wideLine; // a line that forces a smaller scale
};

} // namespace

TEST(BoxDrawing, SingleFrameFromCodePage437StrokesMeetAcrossCellsAndLines)
{
    // ┌──────┐ / │      │ / └──────┘ as a DOS program sends them.
    const QString top = codepage::decode("\xDA\xC4\xC4\xC4\xC4\xC4\xC4\xBF", 437);
    const QString middle = codepage::decode("\xB3      \xB3", 437);
    const QString bottom = codepage::decode("\xC0\xC4\xC4\xC4\xC4\xC4\xC4\xD9", 437);
    ASSERT_EQ(top, QStringLiteral("┌──────┐"));

    const FrameCase cases[] = {{72, {}, {}},
                               {150, {}, {}},
                               {300, {}, {}},
                               {150, QString(QChar(0x0F)), {}},
                               {96, {}, QString(230, QChar('x'))},
                               {300, esc('W', {1}), {}}};
    for (const FrameCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.dpi << " dpi, prefix " << c.prefix.size() << ", wide "
                                        << c.wideLine.size());
        PageSetup setup;
        setup.dpi = c.dpi;
        setup.leftMargin = 3;
        QStringList lines = {c.prefix + top, c.prefix + middle, c.prefix + middle, c.prefix + bottom, c.wideLine};
        const RenderedPage page = renderPage(lines, setup);
        const QRect frame = inkBounds(page.image, bandRect(page, 1, 4));
        ASSERT_TRUE(frame.isValid());
        const int topY = strokeRow(page.image, bandRect(page, 1));
        const int bottomY = strokeRow(page.image, bandRect(page, 4));
        const int leftX = strokeColumn(page.image, QRect(frame.left(), frame.top(), frame.width() / 4, frame.height()));
        const int rightX = strokeColumn(page.image, QRect(frame.right() - frame.width() / 4, frame.top(),
                                                          frame.width() / 4 + 1, frame.height()));
        EXPECT_EQ(gapsAlongRow(page.image, topY, leftX, rightX), 0) << "top edge";
        EXPECT_EQ(gapsAlongRow(page.image, bottomY, leftX, rightX), 0) << "bottom edge";
        EXPECT_EQ(gapsAlongColumn(page.image, leftX, topY, bottomY), 0) << "left edge across the lines";
        EXPECT_EQ(gapsAlongColumn(page.image, rightX, topY, bottomY), 0) << "right edge across the lines";
        // The corners are corners: nothing sticks out beyond them.
        EXPECT_LE(frame.left(), leftX);
        EXPECT_GE(leftX - frame.left(), 0);
        EXPECT_LE(leftX - frame.left(), 2);
        EXPECT_LE(frame.bottom() - bottomY, 2);
        // The frame is eight cells wide, from the centre of the first to that of the last.
        const double cell = c.dpi / 10.0 * (c.prefix.isEmpty() ? 1.0 : c.prefix[0] == QChar(0x0F) ? 10 / 17.14 : 2.0);
        if (c.wideLine.isEmpty()) {
            EXPECT_NEAR(rightX - leftX, 7 * cell, 2.0);
        }
    }
}

TEST(BoxDrawing, DoubleFramesTeesAndBlocksJoin)
{
    const QString text = codepage::decode("\xC9\xCD\xCB\xCD\xBB\n"  // ╔═╦═╗
                                          "\xBA \xBA \xBA\n"        // ║ ║ ║
                                          "\xCC\xCD\xCE\xCD\xB9\n"  // ╠═╬═╣
                                          "\xC8\xCD\xCA\xCD\xBC\n"  // ╚═╩═╝
                                          "\xDB\xDB\xDB\n"          // ███
                                          "\xDB\xDB\xDB\n"
                                          "\xB3\n\xD8\n\xB3",          // │ ╪ │
                                          437);
    const QStringList lines = text.split(u'\n');
    ASSERT_EQ(lines[2], QStringLiteral("╠═╬═╣"));
    PageSetup setup;
    setup.dpi = 300;
    setup.linesPerPage = 66;
    const RenderedPage page = renderPage(lines, setup);

    // The double frame's outer and inner rules run unbroken along the top; a vertical
    // through the middle column meets two parallel lines per horizontal rule.
    const QRect frame = inkBounds(page.image, bandRect(page, 1, 4));
    const int sampleX = frame.left() + 45; // inside the second cell, between the verticals
    int runs = 0;
    bool inInk = false;
    for (int y = frame.top(); y <= frame.bottom(); ++y) {
        const bool ink = isInk(page.image.pixel(sampleX, y));
        if (ink && !inInk)
            ++runs;
        inInk = ink;
    }
    EXPECT_EQ(runs, 6) << "three double rules crossed beside the middle column";
    EXPECT_EQ(gapsAlongRow(page.image, frame.top() + 1, frame.left() + 2, frame.right() - 2), 0);
    EXPECT_EQ(gapsAlongColumn(page.image, frame.left() + 1, frame.top() + 2, frame.bottom() - 2), 0);

    // Full blocks on two lines make one solid area: no gap between cells or lines.
    const QRect blocks = inkBounds(page.image, bandRect(page, 5, 2));
    EXPECT_NEAR(blocks.width(), 90, 2);
    EXPECT_NEAR(blocks.height(), 2 * page.bandHeight, 2);
    EXPECT_EQ(inkAmount(page.image, blocks), qint64(blocks.width()) * blocks.height() * 255);

    // A single line crossing a double one runs straight through it.
    const QRect cross = inkBounds(page.image, bandRect(page, 7, 3));
    const int x = strokeColumn(page.image, QRect(cross.left(), bandRect(page, 7).top(), cross.width(),
                                                 int(page.bandHeight)));
    EXPECT_EQ(gapsAlongColumn(page.image, x, cross.top(), cross.bottom()), 0);
}

TEST(BoxDrawing, AntialiasedPainterStillClosesTheFrame)
{
    QImage image(800, 600, QImage::Format_RGB32);
    image.setDotsPerMeterX(3780); // 96 dpi
    image.setDotsPerMeterY(3780);
    image.fill(Qt::white);
    Canvas canvas(&image);
    canvas.painter().setRenderHint(QPainter::Antialiasing);
    QString font = QStringLiteral("Courier New");
    const QStringList lines = {QStringLiteral("┌────┐"), QStringLiteral("│    │"), QStringLiteral("└────┘")};
    for (int i = 0; i < 3; ++i) {
        QString text = lines[i];
        qint32 line = i + 1;
        // 37 lines on 600 pixels: bands end on fractional pixels.
        PRINTLINE5(canvas, line, 37, text, 600, 12, 12, font, 1, i == 0);
    }
    canvas.end();
    const QRect frame = inkBounds(image, QRect(0, 0, 800, 100));
    ASSERT_TRUE(frame.isValid());
    const int x = strokeColumn(image, QRect(frame.left(), frame.top(), 6, frame.height()));
    EXPECT_EQ(gapsAlongColumn(image, x, frame.top() + 3, frame.bottom() - 3), 0);
}
