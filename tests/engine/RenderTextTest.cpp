// The line renderer on pixels: where lines land, how the print modes change the ink,
// and what PRINTLINE5 hands back.

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
        PageSetup setup;
        setup.dpi = dpi;
        setup.linesPerPage = 12;
        const RenderedPage page = renderPage(lines, setup);
        for (int line = 1; line <= 12; ++line) {
            const qint64 inside = inkAmount(page.image, bandRect(page, line));
            if (lines[line - 1].isEmpty())
                EXPECT_EQ(inside, 0) << "line " << line << " at " << dpi << " dpi";
            else
                EXPECT_GT(inside, 0) << "line " << line << " at " << dpi << " dpi";
        }
        EXPECT_EQ(inkAmount(page.image), inkAmount(page.image, bandRect(page, 1)) +
                                             inkAmount(page.image, bandRect(page, 5)) +
                                             inkAmount(page.image, bandRect(page, 12)))
            << "ink outside the bands at " << dpi << " dpi";
    }

    // A font far too big for its band is made smaller, not clipped into the next line.
    QStringList lines(66, QStringLiteral("ÄÖÜ gjpq Xx"));
    PageSetup big;
    big.linesPerPage = 66;
    big.signPitch = 40;
    const RenderedPage crowded = renderPage(lines, big);
    for (int line : {1, 2, 33, 66}) {
        const QRect ink = lineInk(crowded, line);
        ASSERT_FALSE(ink.isNull());
        const QRect band = bandRect(crowded, line);
        EXPECT_GE(ink.top(), band.top() - 1) << line;
        EXPECT_LE(ink.bottom(), band.bottom() + 1) << line;
    }
}

TEST(RenderText, EmphasisAndDoubleStrikeInkMoreThanRegular)
{
    const RenderedPage page = renderPage(
        {Sample, esc('E') + Sample + esc('F'), esc('G') + Sample + esc('H'), Sample, esc('!', {8}) + Sample});
    const qint64 regular = inkAmount(page.image, bandRect(page, 1));
    EXPECT_GT(inkAmount(page.image, bandRect(page, 2)), regular * 5 / 4) << "ESC E";
    EXPECT_GT(inkAmount(page.image, bandRect(page, 3)), regular * 5 / 4) << "ESC G";
    EXPECT_EQ(inkAmount(page.image, bandRect(page, 4)), regular) << "ESC F and ESC H switch back";
    EXPECT_GT(inkAmount(page.image, bandRect(page, 5)), regular * 5 / 4) << "ESC ! 8";
    // Same columns: bold text keeps the cell grid.
    EXPECT_NEAR(lineInk(page, 2).left(), lineInk(page, 1).left(), 2);
    EXPECT_NEAR(lineInk(page, 2).right(), lineInk(page, 1).right(), 3);
}

TEST(RenderText, PitchesAndWidthsScaleTheCells)
{
    const QString text(40, QChar('H'));
    const RenderedPage page = renderPage({
        text,                                                      // 1 pica, 10 cpi
        QChar(0x0F) + text + QChar(0x12),                          // 2 condensed: 17.14 cpi
        esc('M') + text,                                           // 3 elite: 12 cpi
        esc('M') + QChar(0x0F) + text,                             // 4 elite condensed: 20 cpi (modes carry over)
        QChar(0x12) + esc('g') + text + esc('P'),                  // 5 15 cpi
        esc('W', {1}) + text.left(20) + esc('W', {0}),             // 6 double width
        QChar(0x0E) + text.left(20),                               // 7 SO: double width to the end of the line
        text,                                                      // 8 ... and not beyond
        QChar(0x0E) + text.left(10) + QChar(0x14) + text.left(10), // 9 DC4 ends it
        esc('!', {4 | 32}) + text.left(20) + esc('!', {0}),        // 10 master select: condensed double width
        esc(0x0F) + text + QChar(0x12),                            // 11 ESC SI
    });
    const double pica = lineInk(page, 1).width();
    ASSERT_GT(pica, 500); // 4 inches at 150 dpi
    auto ratio = [&](int line) { return lineInk(page, line).width() / pica; };
    EXPECT_NEAR(ratio(2), 10 / 17.14, 0.02);
    EXPECT_NEAR(ratio(3), 10 / 12.0, 0.02);
    EXPECT_NEAR(ratio(4), 10 / 20.0, 0.02);
    EXPECT_NEAR(ratio(5), 10 / 15.0, 0.02);
    EXPECT_NEAR(ratio(6), 1.0, 0.02);
    EXPECT_NEAR(ratio(7), 1.0, 0.02);
    EXPECT_NEAR(ratio(8), 1.0, 0.02);
    EXPECT_NEAR(ratio(9), 0.75, 0.02);
    EXPECT_NEAR(ratio(10), 20 * 2 / 17.14 / 4, 0.02);
    EXPECT_NEAR(ratio(11), 10 / 17.14, 0.02);
    // Narrower cells are filled by narrower glyphs, not by wider gaps: the ink per
    // character stays close to that of pica.
    EXPECT_NEAR(double(inkAmount(page.image, bandRect(page, 2))) / inkAmount(page.image, bandRect(page, 1)), 10 / 17.14,
                0.1);
}

TEST(RenderText, GermanCharacterSetPrintsUmlautsForBrackets)
{
    const RenderedPage national = renderPage({esc('R', {2}) + QStringLiteral("[\\]{|}~@"), QStringLiteral("[\\]{|}~@"),
                                              esc('R', {0}) + QStringLiteral("[x")});
    const RenderedPage direct =
        renderPage({QStringLiteral("ÄÖÜäöüß§"), QStringLiteral("ÄÖÜäöüß§"), QStringLiteral("[x")});
    EXPECT_EQ(national.image, direct.image) << "set 2 carries over to the next line, ESC R 0 ends it";

    const RenderedPage others = renderPage({esc('R', {1}) + QStringLiteral("@{"), esc('R', {3}) + QStringLiteral("#"),
                                            esc('R', {99}) + QStringLiteral("#")});
    const RenderedPage expected = renderPage({QStringLiteral("àé"), QStringLiteral("£"), QStringLiteral("£")});
    EXPECT_EQ(others.image, expected.image) << "France, UK; an unknown set keeps the current one";
}

TEST(RenderText, TabBackspaceAndCarriageReturnPlaceCharacters)
{
    const RenderedPage page = renderPage({
        QStringLiteral("A\tB"),      // B at column 9
        QStringLiteral("        B"), // the same by blanks
        QStringLiteral("O\b/"),      // overstrike in column 1
        QStringLiteral("O"),
        QStringLiteral("ABCDEFGHIJ\r__________"), // lone CR: underscores under the text
        QStringLiteral("ABCDEFGHIJ"),
    });
    const QRect tabbed = lineInk(page, 1);
    const QRect blanks = lineInk(page, 2);
    const QRect b1 = inkBounds(page.image, bandRect(page, 1).adjusted(tabbed.left() + 40, 0, 0, 0));
    EXPECT_EQ(b1.left(), inkBounds(page.image, bandRect(page, 2)).left());
    EXPECT_EQ(tabbed.right(), blanks.right());
    EXPECT_EQ(lineInk(page, 3).width(), lineInk(page, 4).width()) << "the slash stands on the O";
    EXPECT_GT(inkAmount(page.image, bandRect(page, 3)), inkAmount(page.image, bandRect(page, 4)));
    const QRect struck = lineInk(page, 5).translated(0, -bandRect(page, 5).top());
    const QRect letters = lineInk(page, 6).translated(0, -bandRect(page, 6).top());
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
    EXPECT_GT(tall.top(), bandRect(page, 2).top() - 1);
    EXPECT_LT(tall.bottom(), bandRect(page, 3).bottom() + 1);
    EXPECT_FALSE(lineInk(page, 4).isNull()) << "the line after continues below the tall one";
}

TEST(RenderText, FirstLineFlagResetsTheModesAndTheFontAfterTheLineIsHandedBack)
{
    // Within a document bold carries from line to line; a line with the first-line flag
    // starts a new document with regular text.
    PageSetup setup;
    setup.firstLineFlags = {0, 2};
    const RenderedPage page = renderPage({esc('E') + Sample, Sample, Sample}, setup);
    const RenderedPage regular = renderPage({Sample, Sample, Sample});
    EXPECT_EQ(inkAmount(page.image, bandRect(page, 2)), inkAmount(page.image, bandRect(page, 1)));
    EXPECT_EQ(inkAmount(page.image, bandRect(page, 3)), inkAmount(regular.image, bandRect(regular, 3)));

    // The typeface chosen by ESC k is the font handed back; one without a mapping keeps it.
    EXPECT_EQ(
        renderPage({QStringLiteral("Kopf ") + esc('k', {1}) + QStringLiteral("Text"), QStringLiteral("x")}).fontAfter,
        QStringLiteral("Arial"));
    EXPECT_EQ(renderPage({esc('k', {9}) + QStringLiteral("x")}).fontAfter, QStringLiteral("Courier New"));
}

TEST(RenderText, UnknownSequencesAreSkippedWithTheirParameters)
{
    // Line spacing, margins, a bit image whose data holds LF, CR and FF bytes, ESC @ reset.
    const QString image = esc('*', {0, 4, 0, 10, 13, 12, 0x1B});
    const RenderedPage page =
        renderPage({esc('3', {24}) + esc('l', {0}) + QStringLiteral("AB") + image + QStringLiteral("C"),
                    QStringLiteral("ABC"), esc('E') + esc('@') + QStringLiteral("ABC")});
    EXPECT_EQ(inkAmount(page.image, bandRect(page, 1)), inkAmount(page.image, bandRect(page, 2)));
    EXPECT_EQ(inkAmount(page.image, bandRect(page, 3)), inkAmount(page.image, bandRect(page, 2)));
}

TEST(RenderText, GarbageNeverCrashesOrHangs)
{
    QString garbage;
    for (int i = 0; i < 5000; ++i)
        garbage += QChar(char16_t((i * 7919) % 0x10000));
    QStringList lines = {garbage,
                         QString(QChar(0x1B)),
                         esc('('),
                         esc('(', {'B', 0xFF, 0xFF, 0}),
                         esc('(', {'B', 9, 0, 0, 2, 0, 0, 0, 0, 'x', 'y', 'z'}),
                         QString(QChar(0xD800)) + QStringLiteral("x") + QChar(0xDC00),
                         QString(100000, QChar('W')),
                         QString(3000, QChar('\b')) + QString(3000, QChar('\t'))};
    const RenderedPage page = renderPage(lines);
    EXPECT_EQ(page.lineAfter.size(), lines.size());

    QImage image(100, 100, QImage::Format_RGB32);
    Canvas canvas(&image);
    QString font;
    QString text = QStringLiteral("x");
    for (auto [line, perPage, height] :
         {std::tuple{0, 10, 100}, {5, 0, 100}, {5, -3, 100}, {11, 10, 100}, {1, 10, -100}, {1, 10, 0}, {-7, 10, 100}}) {
        qint32 number = line;
        PRINTLINE5(canvas, number, perPage, text, height, 0, -1, font, -5, 0);
        EXPECT_EQ(number, line);
    }
}
