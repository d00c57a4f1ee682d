// Frames drawn from box-drawing characters must close: strokes meet across cells and
// across lines at any resolution and scale.

#include "CodePage.h"
#include "RenderTestSupport.h"

#include <gtest/gtest.h>

using namespace rendertest;

namespace {

// Pixels on the segment from `from` to `to` (a row or a column) that are not ink.
int gaps(const QImage& image, QPoint from, QPoint to)
{
    int gaps = 0;
    for (int x = from.x(); x <= to.x(); ++x)
        for (int y = from.y(); y <= to.y(); ++y)
            gaps += isInk(image.pixel(x, y)) ? 0 : 1;
    return gaps;
}

// Where a horizontal stroke runs through `area` (its darkest row), or a vertical one (its
// darkest column).
int stroke(const QImage& image, const QRect& area, Qt::Orientation orientation)
{
    const bool horizontal = orientation == Qt::Horizontal;
    int best = 0;
    qint64 most = -1;
    for (int i = 0; i < (horizontal ? area.height() : area.width()); ++i) {
        const qint64 ink = inkAmount(image, horizontal ? QRect(area.left(), area.top() + i, area.width(), 1)
                                                       : QRect(area.left() + i, area.top(), 1, area.height()));
        if (ink > most)
            most = ink, best = i;
    }
    return (horizontal ? area.top() : area.left()) + best;
}

} // namespace

TEST(BoxDrawing, SingleFrameFromCodePage437StrokesMeetAcrossCellsAndLines)
{
    // ┌──────┐ / │      │ / └──────┘ as a DOS program sends them.
    const QString top = codepage::decode("\xDA\xC4\xC4\xC4\xC4\xC4\xC4\xBF", 437);
    const QString middle = codepage::decode("\xB3      \xB3", 437);
    const QString bottom = codepage::decode("\xC0\xC4\xC4\xC4\xC4\xC4\xC4\xD9", 437);
    ASSERT_EQ(top, QStringLiteral("┌──────┐"));

    const struct
    {
        int dpi;
        QString prefix;   // escape codes in front of every line
        QString wideLine; // a line that forces a smaller scale
        int linesPerPage = 60;
        bool antialiased = false;
    } cases[] = {{72, {}, {}},
                 {150, {}, {}},
                 {300, {}, {}},
                 {150, QString(QChar(0x0F)), {}},
                 {96, {}, QString(230, QChar('x'))},
                 {300, esc('W', {1}), {}},
                 {96, {}, {}, 37, true}}; // bands ending on fractional pixels, edges blended
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.dpi << " dpi, prefix " << c.prefix.size() << ", wide " << c.wideLine.size()
                                        << ", antialiased " << c.antialiased);
        PageSetup setup;
        setup.dpi = c.dpi;
        setup.leftMargin = 3;
        setup.linesPerPage = c.linesPerPage;
        setup.antialiased = c.antialiased;
        const RenderedPage page =
            renderPage({c.prefix + top, c.prefix + middle, c.prefix + middle, c.prefix + bottom, c.wideLine}, setup);
        const QImage& image = page.image;
        const QRect frame = lineInk(page, 1, 4);
        ASSERT_TRUE(frame.isValid());
        const int topY = stroke(image, bandRect(page, 1), Qt::Horizontal);
        const int bottomY = stroke(image, bandRect(page, 4), Qt::Horizontal);
        const int quarter = frame.width() / 4;
        const int leftX = stroke(image, QRect(frame.left(), frame.top(), quarter, frame.height()), Qt::Vertical);
        const int rightX =
            stroke(image, QRect(frame.right() - quarter, frame.top(), quarter + 1, frame.height()), Qt::Vertical);
        EXPECT_EQ(gaps(image, {leftX, topY}, {rightX, topY}), 0) << "top edge";
        EXPECT_EQ(gaps(image, {leftX, bottomY}, {rightX, bottomY}), 0) << "bottom edge";
        EXPECT_EQ(gaps(image, {leftX, topY}, {leftX, bottomY}), 0) << "left edge across the lines";
        EXPECT_EQ(gaps(image, {rightX, topY}, {rightX, bottomY}), 0) << "right edge across the lines";
        // The corners are corners: nothing sticks out beyond them.
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
    const QString text = codepage::decode("\xC9\xCD\xCB\xCD\xBB\n" // ╔═╦═╗
                                          "\xBA \xBA \xBA\n"       // ║ ║ ║
                                          "\xCC\xCD\xCE\xCD\xB9\n" // ╠═╬═╣
                                          "\xC8\xCD\xCA\xCD\xBC\n" // ╚═╩═╝
                                          "\xDB\xDB\xDB\n"         // ███
                                          "\xDB\xDB\xDB\n"
                                          "\xB3\n\xD8\n\xB3", // │ ╪ │
                                          437);
    PageSetup setup;
    setup.dpi = 300;
    setup.linesPerPage = 66;
    const RenderedPage page = renderPage(text.split(u'\n'), setup);
    const QImage& image = page.image;

    // The double frame's outer and inner rules run unbroken along the top; a vertical
    // through the middle column meets two parallel lines per horizontal rule.
    const QRect frame = lineInk(page, 1, 4);
    const int sampleX = frame.left() + 45; // inside the second cell, between the verticals
    int runs = 0;
    for (int y = frame.top(); y <= frame.bottom(); ++y)
        runs += isInk(image.pixel(sampleX, y)) && !isInk(image.pixel(sampleX, y - 1));
    EXPECT_EQ(runs, 6) << "three double rules crossed beside the middle column";
    EXPECT_EQ(gaps(image, {frame.left() + 2, frame.top() + 1}, {frame.right() - 2, frame.top() + 1}), 0);
    EXPECT_EQ(gaps(image, {frame.left() + 1, frame.top() + 2}, {frame.left() + 1, frame.bottom() - 2}), 0);

    // Full blocks on two lines make one solid area: no gap between cells or lines.
    const QRect blocks = lineInk(page, 5, 2);
    EXPECT_NEAR(blocks.width(), 90, 2);
    EXPECT_NEAR(blocks.height(), 2 * page.bandHeight, 2);
    EXPECT_EQ(inkAmount(image, blocks), qint64(blocks.width()) * blocks.height() * 255);

    // A single line crossing a double one runs straight through it.
    const QRect cross = lineInk(page, 7, 3);
    const int x =
        stroke(image, QRect(cross.left(), bandRect(page, 7).top(), cross.width(), int(page.bandHeight)), Qt::Vertical);
    EXPECT_EQ(gaps(image, {x, cross.top()}, {x, cross.bottom()}), 0);
}
