// What a rendered line costs when it goes through a painter onto a PDF page (a printer
// spooling PDF, or a PDF page under a watermark): frames as a few merged rectangles,
// text as one glyph run per style with short offsets, no glyphs for blanks. Every extra
// painter call writes a block of state into the page, so these counts are what keeps a
// long listing fast to write and small to store.

#include "CodePage.h"
#include "PdfTools.h"
#include "RenderTestSupport.h"

#include <QFile>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace rendertest;

TEST(RenderPdfContent, AFramedLineIsAFewRectanglesAndOneGlyphRun)
{
    if (QStandardPaths::findExecutable(QStringLiteral("qpdf")).isEmpty())
        GTEST_SKIP() << "qpdf not installed";
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("frame.pdf"));
    // ╔═══…═══╗ over 80 columns, then a framed text line with an underlined word
    // that a frame interrupts.
    const QString rule = QChar(u'╔') + QString(78, QChar(u'═')) + QChar(u'╗');
    const QString text = QChar(u'║') + QStringLiteral(" M") + QChar(u'ü') + QStringLiteral("ller ") + QChar(u'│') +
                         esc('-', {1}) + QStringLiteral(" 4711 ") + QChar(u'│') + QStringLiteral(" Stra") +
                         QChar(u'ß') + QStringLiteral("e") + esc('-', {0}) + QString(52, QChar(' ')) + QChar(u'║');
    {
        QPdfWriter writer(file);
        writer.setResolution(72);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        Canvas canvas(&writer);
        canvas.setWidestLineInches(8.0);
        ASSERT_TRUE(STARTPRINT2(canvas, QStringLiteral("Rahmen")));
        QString font = QStringLiteral("Courier New");
        QStringList lines{rule, text};
        for (int i = 0; i < lines.size(); ++i) {
            qint32 line = i + 1;
            PRINTLINE5(canvas, line, 60, lines[i], canvas.heightPixels(), 12, 12, font, 0, i == 0);
        }
        ASSERT_TRUE(ENDPRINT(canvas));
    }
    const QString plain = dir.filePath(QStringLiteral("plain.pdf"));
    ASSERT_TRUE(pdftools::run(QStringLiteral("qpdf"),
                              {QStringLiteral("--qdf"), QStringLiteral("--object-streams=disable"), file, plain})
                    .ok());
    QFile decoded(plain);
    ASSERT_TRUE(decoded.open(QIODevice::ReadOnly));
    const QString content = QString::fromLatin1(decoded.readAll());

    // Two long rules and two corners' verticals of two strokes each for the first line,
    // two, one, one and two verticals for the second, and one underline per stretch
    // between frames: strokes that meet are merged, one fill each.
    const qsizetype rectangles = content.count(QStringLiteral(" re\n"));
    EXPECT_GE(rectangles, 6 + 6) << content.toStdString();
    EXPECT_LE(rectangles, 6 + 6 + 3) << content.toStdString();
    EXPECT_EQ(content.count(QStringLiteral("\nf\n")), rectangles) << "one fill per rectangle";

    // One run for the regular text and one for the underlined part (same style, so one),
    // with a glyph for every character but the blanks.
    EXPECT_EQ(content.count(QStringLiteral("BT\n")), 1);
    const qsizetype inked = QStringLiteral("Müller4711Straße").size();
    EXPECT_EQ(content.count(QStringLiteral(" Tj\n")), inked);
    // After the first glyph of a run, offsets are whole units: cells apart, not decimals.
    const QRegularExpression decimalOffset(QStringLiteral("\n[0-9]+\\.[0-9]+ 0 Td"));
    EXPECT_LE(content.count(decimalOffset), 1) << "at most the run's first, absolute offset";
    EXPECT_TRUE(pdftools::text(file).out.contains(QStringLiteral("Müller")));
}
