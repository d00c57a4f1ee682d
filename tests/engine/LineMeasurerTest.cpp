// The natural width of a document's lines, and the one horizontal scale it gives.

#include "LineMeasurer.h"
#include "RenderTestSupport.h"

#include <gtest/gtest.h>

using namespace rendertest;

TEST(LineMeasurer, MeasuresCellsOfEveryModeAcrossLines)
{
    auto widest = [](const QStringList& lines, int signPitch = 12, int margin = 0) {
        LineMeasurer measurer(signPitch, margin);
        for (const QString& line : lines)
            measurer.add(line);
        return measurer.widestInches();
    };
    EXPECT_DOUBLE_EQ(widest({}), 0.0);
    EXPECT_DOUBLE_EQ(widest({QString(), QStringLiteral("      ")}), 0.0) << "blanks put no ink on paper";
    EXPECT_NEAR(widest({QString(80, QChar('x'))}), 8.0, 1e-9);
    EXPECT_NEAR(widest({QStringLiteral("abc") + QString(50, QChar(' '))}), 0.3, 1e-9) << "trailing blanks";
    EXPECT_NEAR(widest({QString(80, QChar('x'))}, 12, 5), 8.5, 1e-9) << "left margin in tenths of an inch";
    EXPECT_NEAR(widest({QString(80, QChar('x'))}, 10), 8.0 * 10 / 12, 1e-9) << "cells follow SignPitch";
    EXPECT_NEAR(widest({QString(80, QChar('x'))}, -4), 8.0, 1e-9) << "an absurd SignPitch counts as 12";
    // Condensed set on one line stays in force on the next, until DC2.
    EXPECT_NEAR(widest({QChar(0x0F) + QStringLiteral("x"), QString(132, QChar('x'))}), 132 / (120.0 / 7), 1e-9);
    EXPECT_NEAR(widest({QString(QChar(0x0F)) + QChar(0x12), QString(40, QChar('x'))}), 4.0, 1e-9);
    EXPECT_NEAR(widest({esc('W', {1}) + QString(10, QChar('x'))}), 2.0, 1e-9);
    EXPECT_NEAR(widest({QChar(0x0E) + QStringLiteral("xx"), QStringLiteral("xx")}), 0.4, 1e-9)
        << "SO ends with the line";
    EXPECT_NEAR(widest({esc('M') + QString(12, QChar('x')) + esc('g') + QString(15, QChar('x'))}), 2.0, 1e-9);
    EXPECT_NEAR(widest({esc('-', {1}) + QStringLiteral("x"), QStringLiteral("ab   ")}), 0.5, 1e-9)
        << "underlined blanks are ink";
    EXPECT_NEAR(widest({esc('R', {2}) + QStringLiteral("x"), QStringLiteral("ab[") + QChar(0xA0)}), 0.3, 1e-9)
        << "a national letter is ink, a no-break blank is not";
    EXPECT_NEAR(widest({QStringLiteral("x\tx")}), 0.9, 1e-9);
    EXPECT_NEAR(widest({QStringLiteral("abcdef\rxy")}), 0.6, 1e-9) << "overstrike adds nothing";
    EXPECT_NEAR(widest({esc('E') + esc('@') + esc('W', {1}) + esc('@') + QStringLiteral("xx")}), 0.2, 1e-9);
    EXPECT_DOUBLE_EQ(widest({QString(1 << 20, QChar('x'))}), LineMeasurer::WidestFitted)
        << "a line far wider than any page is clipped, not fitted";
    EXPECT_NEAR(widest({QStringLiteral("ab") + barCode(5, "X1", 2)}),
                0.2 + BarCode::fromEscapeData(QByteArray("\x05\x02\x00\x00\x00\x00X1", 8)).widthInches(), 1e-9);
}

TEST(LineMeasurer, WideDocumentsShrinkAsAWholeAndColumnsStayStraight)
{
    // 40, 120 and 200 columns mixed; an "I" in column 30 of every line. Full blocks fill
    // their cells exactly, so ink widths are cell widths.
    const QChar block(0x2588);
    auto line = [&](int columns) {
        QString s(columns, block);
        s[29] = QChar('I');
        s.replace(20, 5, QStringLiteral("     "));
        s.replace(30, 5, QStringLiteral("     "));
        return s;
    };
    const QStringList lines = {line(40), line(120), line(200), line(40), line(132)};
    PageSetup setup;
    setup.dpi = 150;
    const RenderedPage page = renderPage(lines, setup);
    // The whole of the 200-column line is on the page, and it fills the width.
    const QRect wide = inkBounds(page.image, bandRect(page, 3));
    EXPECT_LT(wide.right(), page.image.width());
    EXPECT_GT(wide.right(), page.image.width() * 97 / 100);
    // The I of column 30 stands at the same x on every line.
    QList<int> columns;
    for (int l = 1; l <= lines.size(); ++l) {
        const QRect band = bandRect(page, l);
        const QRect area(int(25.0 * page.image.width() / 200), band.top(), int(5.0 * page.image.width() / 200),
                         band.height());
        columns << inkBounds(page.image, area).left();
    }
    for (int x : columns)
        EXPECT_EQ(x, columns.first()) << "column 30 moved";
    // The 40-column line is as wide as the first 40 columns of the 200-column line.
    EXPECT_NEAR(inkBounds(page.image, bandRect(page, 1)).width(), wide.width() * 40.0 / 200, 2);

    // Without a width handed over, lines are drawn at natural size.
    PageSetup unmeasured = setup;
    unmeasured.measure = false;
    const RenderedPage natural = renderPage({line(40)}, unmeasured);
    EXPECT_NEAR(inkBounds(natural.image, bandRect(natural, 1)).width(), 4.0 * 150, 2);

    // A 132-column condensed listing fits portrait A4 at natural size: no shrinking.
    const RenderedPage listing = renderPage({QChar(0x0F) + QString(132, block), QString(40, block)});
    EXPECT_NEAR(inkBounds(listing.image, bandRect(listing, 2)).width(), 40 * 150 / (120.0 / 7), 2);
}
