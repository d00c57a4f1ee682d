// The same renderer on a 72 dpi PDF page: text stays text (searchable, umlauts as
// Unicode), the document carries its title, and columns do not drift.

#include "CodePage.h"
#include "PdfTools.h"
#include "RenderTestSupport.h"

#include <QPdfWriter>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace rendertest;

TEST(RenderPdf, TextIsSearchableAndColumnsKeepTheirPlace)
{
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        GTEST_SKIP() << "poppler-utils not installed";
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("out.pdf"));
    QStringList lines = {esc('E') + codepage::decode("M\x81ller & S\x94hne GmbH", 437) + esc('F'),
                         QStringLiteral("Rechnung Nr. 4711"),
                         codepage::decode("\xDA\xC4\xC4\xBF Stra\xE1"
                                          "e",
                                          437)};
    // Column markers: "Q" in column 101 of lines of 110 and 150 columns.
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
        EXPECT_EQ(canvas.widthPixels(), 595);
        QString font = QStringLiteral("Courier New");
        for (int i = 0; i < lines.size(); ++i) {
            qint32 line = i + 1;
            PRINTLINE5(canvas, line, 60, lines[i], canvas.heightPixels(), 12, 12, font, 0, i == 0);
        }
        ASSERT_TRUE(NEXTPAGE(canvas));
        QString second = QStringLiteral("Seite zwei");
        qint32 line = 1;
        PRINTLINE5(canvas, line, 60, second, canvas.heightPixels(), 12, 12, font, 0, 0);
        EXPECT_TRUE(ENDPRINT(canvas));
    }

    const QString text =
        pdftools::run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), file, QStringLiteral("-")}).out;
    EXPECT_TRUE(text.contains(QStringLiteral("Müller & Söhne GmbH"))) << qPrintable(text);
    EXPECT_TRUE(text.contains(QStringLiteral("Rechnung Nr. 4711")));
    EXPECT_TRUE(text.contains(QStringLiteral("Straße")));
    EXPECT_TRUE(text.contains(QStringLiteral("Seite zwei")));
    EXPECT_FALSE(text.contains(QStringLiteral("─"))) << "frames are geometry, not text";
    const QString info = pdftools::run(QStringLiteral("pdfinfo"), {file}).out;
    EXPECT_TRUE(info.contains(QRegularExpression(QStringLiteral("Title:\\s+C:_Daten_ProgDOS_Job"))));
    EXPECT_TRUE(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+2"))));

    // Glyph positions in points: the markers of column 101 share one x, which is exactly
    // 100 cells at the document's scale (150 columns on 595 points), not rounded.
    const QString boxes =
        pdftools::run(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), file, QStringLiteral("-")}).out;
    QRegularExpression word(QStringLiteral("<word xMin=\"([0-9.]+)\"[^>]*>Q</word>"));
    QList<double> xs;
    for (auto it = word.globalMatch(boxes); it.hasNext();)
        xs << it.next().captured(1).toDouble();
    ASSERT_EQ(xs.size(), 2) << qPrintable(boxes);
    const double scale = 595.0 / 72 / 15.0; // printable inches over the widest line's inches
    const double cell = 7.2 * scale;
    EXPECT_NEAR(xs[0], xs[1], 0.01);
    EXPECT_NEAR(xs[0], 100 * cell, 0.05) << "glyph positions are not rounded to whole points";
    EXPECT_GT(std::abs(100 * cell - std::round(100 * cell)), 0.05) << "the test needs a fractional position";
}
