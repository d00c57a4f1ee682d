// The line renderer on pixels: where lines land, how the print modes change the ink,
// and what drawing a line hands back.

#include "RenderTestSupport.h"

#include <gtest/gtest.h>

using namespace rendertest;

const QString Sample = QStringLiteral("Rechnung Nr. 4711 vom 03.02.1998 Kunde Mueller");

TEST(RenderText, EveryLineInksOnlyItsOwnBand)
{
    for (int dpi : {72, 150, 300}) {
        QStringList lines(12);
        lines[0] = Sample;
        lines[4] = QStringLiteral("Äpfel gÿjq ÖÜ |_");
        lines[11] = Sample;
        const RenderedPage page = renderPage(lines, {.dpi = dpi, .linesPerPage = 12});
        const qint64 first = inkAmount(page.image, bandRect(page, 1)), fifth = inkAmount(page.image, bandRect(page, 5)),
                     last = inkAmount(page.image, bandRect(page, 12));
        EXPECT_TRUE(first > 0 && fifth > 0 && last > 0) << dpi << " dpi";
        EXPECT_EQ(inkAmount(page.image), first + fifth + last) << "ink outside the bands at " << dpi << " dpi";
    }

    // A font far too big for its band is made smaller, not clipped into the next line.
    QStringList lines(66, QStringLiteral("ÄÖÜ gjpq Xx"));
    const RenderedPage crowded = renderPage(lines, {.linesPerPage = 66, .signPitch = 40});
    for (int line : {1, 2, 33, 66}) {
        const QRect ink = lineInk(crowded, line);
        ASSERT_FALSE(ink.isNull());
        const QRect band = bandRect(crowded, line);
        EXPECT_GE(ink.top(), band.top() - 1) << line;
        EXPECT_LE(ink.bottom(), band.bottom() + 1) << line;
    }
}

// Each line's ink width against plain pica, and whether it is emphasized. The modes carry
// from line to line until switched off, SO only to the end of its line.
TEST(RenderText, PitchesWidthsAndEmphasisScaleTheCellsOrTheInk)
{
    const QString text(40, QChar('H')), half = text.left(20);
    const struct
    {
        QString line;
        double width;
        bool bold = false;
    } cases[] = {
        {text, 1.0},
        {QChar(0x0F) + text + QChar(0x12), 10 / 17.14},                    // condensed
        {esc('M') + text, 10 / 12.0},                                      // elite
        {esc('M') + QChar(0x0F) + text, 10 / 20.0},                        // elite condensed
        {QChar(0x12) + esc('g') + text + esc('P'), 10 / 15.0},             // 15 cpi
        {esc('W', {1}) + half + esc('W', {0}), 1.0},                       // double width
        {QChar(0x0E) + half, 1.0},                                         // SO: to the line's end
        {text, 1.0},                                                       // ... and not beyond
        {QChar(0x0E) + text.left(10) + QChar(0x14) + text.left(10), 0.75}, // DC4 ends it
        {esc('!', {4 | 32}) + half + esc('!', {0}), 20 * 2 / 17.14 / 4},   // master select
        {esc(0x0F) + text + QChar(0x12), 10 / 17.14},                      // ESC SI
        {esc('E') + text + esc('F'), 1.0, true},
        {esc('G') + text + esc('H'), 1.0, true},
        {text, 1.0}, // ESC F and ESC H switched back
        {esc('!', {8}) + text + esc('!', {0}), 1.0, true},
    };
    QStringList lines;
    for (const auto& c : cases)
        lines << c.line;
    const RenderedPage page = renderPage(lines);
    const double pica = lineInk(page, 1).width();
    const qint64 regular = inkAmount(page.image, bandRect(page, 1));
    ASSERT_GT(pica, 500); // 4 inches at 150 dpi
    for (int i = 1; i < int(std::size(cases)); ++i) {
        const qint64 ink = inkAmount(page.image, bandRect(page, i + 1));
        EXPECT_NEAR(lineInk(page, i + 1).width() / pica, cases[i].width, 0.02) << "line " << i + 1;
        EXPECT_TRUE(cases[i].bold ? ink > regular * 5 / 4 : cases[i].line != text || ink == regular)
            << "line " << i + 1;
    }
    // Narrower cells are filled by narrower glyphs, not by wider gaps.
    EXPECT_NEAR(double(inkAmount(page.image, bandRect(page, 2))) / regular, 10 / 17.14, 0.1);
}

// Codes that must draw exactly what plain text draws.
TEST(RenderText, CharacterSetsTabsAndInvisibleSequencesDrawAsTheirPlainText)
{
    const QString image = esc('*', {0, 4, 0, 10, 13, 12, 0x1B}); // a bit image holding LF, CR and FF
    const std::pair<QStringList, QStringList> cases[] = {
        // The German set prints umlauts for brackets, on the next line too, until ESC R 0.
        {{esc('R', {2}) + "[\\]{|}~@", "[\\]{|}~@", esc('R', {0}) + "[x"}, {"ÄÖÜäöüß§", "ÄÖÜäöüß§", "[x"}},
        // France, UK; an unknown set keeps the current one.
        {{esc('R', {1}) + "@{", esc('R', {3}) + "#", esc('R', {99}) + "#"}, {"àé", "£", "£"}},
        // Line spacing, margin and bit images are skipped with their parameters; ESC @ resets.
        {{esc('3', {24}) + esc('l', {0}) + "AB" + image + "C", esc('E') + esc('@') + "ABC"}, {"ABC", "ABC"}},
        {{"A\tB"}, {"A       B"}}, // a tab goes to column 9
    };
    for (const auto& [coded, plain] : cases)
        EXPECT_EQ(renderPage(coded).image, renderPage(plain).image) << plain.join(u'|').toStdString();
}

TEST(RenderText, BackspaceAndCarriageReturnOverstrike)
{
    const RenderedPage page = renderPage({QStringLiteral("O\b/"), QStringLiteral("O"),
                                          QStringLiteral("ABCDEFGHIJ\r__________"), QStringLiteral("ABCDEFGHIJ")});
    EXPECT_EQ(lineInk(page, 1).width(), lineInk(page, 2).width()) << "the slash stands on the O";
    EXPECT_GT(inkAmount(page.image, bandRect(page, 1)), inkAmount(page.image, bandRect(page, 2)));
    const QRect struck = lineInk(page, 3).translated(0, -bandRect(page, 3).top());
    const QRect letters = lineInk(page, 4).translated(0, -bandRect(page, 4).top());
    EXPECT_NEAR(struck.left(), letters.left(), 3) << "the underscores start under the first letter";
    EXPECT_NEAR(struck.right(), letters.right(), 3);
    EXPECT_GT(struck.bottom(), letters.bottom()) << "underscores below the letters";
}

TEST(RenderText, UnderlineRunsUnderBlanksAndEnds)
{
    const RenderedPage page =
        renderPage({esc('-', {1}) + QStringLiteral("a    b") + esc('-', {0}) + QStringLiteral("  c"),
                    QStringLiteral("a    b  c")});
    const QRect band = bandRect(page, 1);
    const QRect plain = lineInk(page, 2).translated(0, band.top() - bandRect(page, 2).top());
    // Below the letters a rule from the first to the sixth cell and nothing under "c".
    const int cell = qRound(150 / 10.0);
    const int y = lineInk(page, 1).bottom();
    int covered = 0;
    for (int x = plain.left(); x < plain.left() + 5 * cell; ++x)
        covered += isInk(page.image.pixel(x, y)) ? 1 : 0;
    EXPECT_GE(covered, 5 * cell - 3);
    EXPECT_FALSE(inkBounds(page.image, QRect(plain.left() + 7 * cell, y, 2 * cell, 1)).isValid());
    EXPECT_GT(y, plain.bottom());
    EXPECT_LE(y, band.bottom());
}

TEST(RenderText, DoubleHeightTakesTwoBandsAndRaisesTheLineNumber)
{
    const RenderedPage page =
        renderPage({QStringLiteral("first"), esc('w', {1}) + QStringLiteral("TALL") + esc('w', {0}),
                    QStringLiteral("after"), QStringLiteral("TALL")});
    EXPECT_EQ(page.lineAfter, (QList<qint32>{1, 3, 4, 5}));
    const QRect tall = inkBounds(page.image, bandRect(page, 2, 2));
    const QRect normal = lineInk(page, 5);
    EXPECT_GT(tall.height(), normal.height() * 17 / 10);
    EXPECT_NEAR(tall.width(), normal.width(), 2) << "double height keeps the width";
    EXPECT_FALSE(lineInk(page, 4).isNull()) << "the line after continues below the tall one";
}

TEST(RenderText, FirstLineFlagResetsTheModesAndTheFontAfterTheLineIsHandedBack)
{
    // Within a document bold carries from line to line; a line with the first-line flag
    // starts a new document with regular text.
    const RenderedPage page = renderPage({esc('E') + Sample, Sample, Sample}, {.firstLineFlags = {0, 2}});
    const RenderedPage regular = renderPage({Sample, Sample, Sample});
    EXPECT_EQ(inkAmount(page.image, bandRect(page, 2)), inkAmount(page.image, bandRect(page, 1)));
    EXPECT_EQ(inkAmount(page.image, bandRect(page, 3)), inkAmount(regular.image, bandRect(regular, 3)));

    // The typeface chosen by ESC k is the font handed back; one without a mapping keeps it.
    EXPECT_EQ(
        renderPage({QStringLiteral("Kopf ") + esc('k', {1}) + QStringLiteral("Text"), QStringLiteral("x")}).fontAfter,
        QStringLiteral("Arial"));
    EXPECT_EQ(renderPage({esc('k', {9}) + QStringLiteral("x")}).fontAfter, QStringLiteral("Courier New"));
}
