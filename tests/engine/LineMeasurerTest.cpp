// The natural width of a document's lines, and the one horizontal scale it gives.

#include "engine/LineMeasurer.h"
#include "RenderTestSupport.h"
#include "support/PdfTools.h"

#include <QPdfWriter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace rendertest;

// The measurer parses the modes apart from the renderer: the cases where it could get the
// ink's extent wrong. Widths of the pitches themselves are RenderText's.
TEST(LineMeasurer, MeasuresTheInkAcrossLinesAndModes)
{
    const QString x80(80, QChar('x'));
    const struct
    {
        QStringList lines;
        double inches;
        int signPitch = 12, margin = 0;
    } cases[] = {
        {{QString(), QStringLiteral("      ")}, 0.0},             // blanks put no ink on paper
        {{QStringLiteral("abc") + QString(50, QChar(' '))}, 0.3}, // trailing blanks
        {{x80}, 8.5, 12, 5},                                      // left margin in tenths of an inch
        {{x80}, 8.0 * 10 / 12, 10},                               // cells follow SignPitch
        {{x80}, 8.0, -4},                                         // an absurd SignPitch counts as 12
        {{QChar(0x0F) + QStringLiteral("x"), QString(132, QChar('x'))}, 132 / (120.0 / 7)}, // SI carries over
        {{QString(QChar(0x0F)) + QChar(0x12), QString(40, QChar('x'))}, 4.0},               // until DC2
        {{QChar(0x0E) + QStringLiteral("xx"), QStringLiteral("xx")}, 0.4},                  // SO ends with the line
        {{esc('W', {1}) + QString(10, QChar('x'))}, 2.0},
        {{esc('M') + QString(12, QChar('x')) + esc('g') + QString(15, QChar('x'))}, 2.0},
        {{esc('-', {1}) + QStringLiteral("x"), QStringLiteral("ab   ")}, 0.5},             // underlined blanks are ink
        {{esc('R', {2}) + QStringLiteral("x"), QStringLiteral("ab[") + QChar(0xA0)}, 0.3}, // a no-break blank is not
        {{QStringLiteral("x\tx")}, 0.9},
        {{QStringLiteral("abcdef\rxy")}, 0.6}, // overstrike adds nothing
        {{esc('E') + esc('@') + esc('W', {1}) + esc('@') + QStringLiteral("xx")}, 0.2},
        {{QStringLiteral("ab") + barCode(5, "X1", 2)},
         0.2 + BarCode::fromEscapeData(QByteArray("\x05\x02\x00\x00\x00\x00X1", 8)).widthInches()},
        {{QString(1 << 20, QChar('x'))}, LineMeasurer::WidestFitted}, // far wider than any page: clipped
    };
    for (const auto& c : cases) {
        LineMeasurer measurer(c.signPitch, c.margin);
        for (const QString& line : c.lines)
            measurer.add(line);
        EXPECT_NEAR(measurer.widestInches(), c.inches, 1e-9) << c.lines.join(u'|').left(40).toStdString();
    }

    // How the widest line scales a wide document: RenderPdf. A 132-column condensed listing
    // fits portrait A4 as it is: no shrinking.
    const RenderedPage listing = renderPage({QChar(0x0F) + QString(132, QChar(0x2588)), QString(40, QChar(0x2588))});
    EXPECT_NEAR(inkBounds(listing.image, bandRect(listing, 2)).width(), 40 * 150 / (120.0 / 7), 2);
}

// The renderer on a 72 dpi PDF page through the painter: the document carries its title,
// and glyphs stand at the exact fraction of a point the document's scale gives, so
// columns do not drift.

TEST(RenderPdf, ColumnsKeepTheirExactPlaceAndTheDocumentItsTitle)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("out.pdf"));
    // Column markers: "Q" in column 101 of lines of 110 and 150 columns.
    QStringList lines;
    for (int columns : {110, 150}) {
        QString s(columns, QChar(' '));
        s[100] = QChar('Q');
        s[columns - 1] = QChar('.');
        lines << s;
    }
    {
        QPdfWriter writer(file);
        writer.setResolution(72);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        Canvas canvas(&writer);
        RenderedPage page;
        EXPECT_TRUE(printLines(canvas, lines, {}, canvas.heightPixels(), page, QStringLiteral("C:_Daten_ProgDOS_Job")));
    }
    EXPECT_EQ(pdftools::infoOf(file, QStringLiteral("Title")), QStringLiteral("C:_Daten_ProgDOS_Job"));

    // The markers of column 101 share one x, which is exactly 100 cells at the document's
    // scale (150 columns on 595 points), not rounded to whole points.
    QList<double> xs;
    for (const pdftools::Word& word : pdftools::words(file).value(0))
        if (word.text == QStringLiteral("Q"))
            xs << word.box.left();
    ASSERT_EQ(xs.size(), 2);
    const double cell = 7.2 * 595.0 / 72 / 15.0; // a pica cell times printable over widest inches
    EXPECT_NEAR(xs[0], xs[1], 0.01);
    EXPECT_NEAR(xs[0], 100 * cell, 0.05);
    EXPECT_GT(std::abs(100 * cell - std::round(100 * cell)), 0.05) << "the test needs a fractional position";
}
