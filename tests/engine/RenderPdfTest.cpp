// The renderer on a 72 dpi PDF page through the painter: the document carries its title,
// and glyphs stand at the exact fraction of a point the document's scale gives, so
// columns do not drift.

#include "PdfTools.h"
#include "RenderTestSupport.h"

#include <QPdfWriter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

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
        LineMeasurer measurer(12, 0);
        for (const QString& l : lines)
            measurer.add(l);
        canvas.setWidestLineInches(measurer.widestInches());
        ASSERT_TRUE(STARTPRINT2(canvas, QStringLiteral("C:_Daten_ProgDOS_Job")));
        QString font = QStringLiteral("Courier New");
        for (int i = 0; i < lines.size(); ++i) {
            qint32 line = i + 1;
            PRINTLINE5(canvas, line, 60, lines[i], canvas.heightPixels(), 12, 12, font, 0, i == 0);
        }
        EXPECT_TRUE(ENDPRINT(canvas));
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
