// Frames drawn from box-drawing characters must close: strokes meet across cells and
// across lines at any resolution and scale.

#include "engine/CodePage.h"
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

TEST(BoxDrawing, FramesFromCodePage437StrokesMeetAcrossCellsAndLinesAndBlocksAreSolid)
{
    // ┌──────┐ / │      │ / └──────┘ as a DOS program sends them, and the same double.
    const QStringList single =
        codepage::decode("\xDA\xC4\xC4\xC4\xC4\xC4\xC4\xBF\n\xB3      \xB3\n\xC0\xC4\xC4\xC4\xC4\xC4\xC4\xD9", 437)
            .split(u'\n');
    const QStringList doubled{"╔══════╗", "║      ║", "╚══════╝"};
    ASSERT_EQ(single[0], QStringLiteral("┌──────┐"));

    const struct
    {
        int dpi;
        QString prefix;   // escape codes in front of every line
        QString wideLine; // a line that forces a smaller scale
        int linesPerPage = 60;
        bool antialiased = false;
        const QStringList* frame = nullptr;
    } cases[] = {{72, {}, {}},
                 {300, {}, {}},
                 {150, QString(QChar(0x0F)), {}},
                 {96, {}, QString(230, QChar('x'))},
                 {300, esc('W', {1}), {}},
                 {96, {}, {}, 37, true}, // bands ending on fractional pixels, edges blended
                 {300, {}, {}, 60, false, &doubled}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.dpi << " dpi, prefix " << c.prefix.size() << ", wide " << c.wideLine.size()
                                        << ", antialiased " << c.antialiased << ", double " << (c.frame != nullptr));
        const PageSetup setup{
            .dpi = c.dpi, .linesPerPage = c.linesPerPage, .leftMargin = 3, .antialiased = c.antialiased};
        const QStringList& f = c.frame ? *c.frame : single;
        const RenderedPage page =
            renderPage({c.prefix + f[0], c.prefix + f[1], c.prefix + f[1], c.prefix + f[2], c.wideLine}, setup);
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
        if (c.frame) { // two parallel rules, top and bottom, beside the middle of the frame
            int runs = 0;
            for (int y = frame.top(); y <= frame.bottom(); ++y)
                runs += isInk(image.pixel(frame.center().x(), y)) && !isInk(image.pixel(frame.center().x(), y - 1));
            EXPECT_EQ(runs, 4);
        }
    }

    // Full blocks on two lines make one solid area: no gap between cells or lines.
    const RenderedPage page = renderPage({QString(3, QChar(0x2588)), QString(3, QChar(0x2588))}, {.dpi = 300});
    const QRect blocks = lineInk(page, 1, 2);
    EXPECT_NEAR(blocks.width(), 90, 2);
    EXPECT_NEAR(blocks.height(), 2 * page.bandHeight, 2);
    EXPECT_EQ(inkAmount(page.image, blocks), qint64(blocks.width()) * blocks.height() * 255);
}
