// The PDF component writes the lines of a page (text, frames, shades) into the page's
// content itself. Whatever it writes must look as the painter would have drawn it, stay
// searchable, and embed fonts that readers accept.

#include "engine/Canvas.h"
#include "engine/PrintEngine.h"
#include "pdf/PdfComponent.h"
#include "support/EscapeCodes.h"
#include "support/Ink.h"
#include "support/PdfTools.h"
#include "support/TempFolders.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

QString q(const char16_t* text)
{
    return QString::fromUtf16(text);
}

// Lines with everything the line renderer draws: frames and shades, bold, underlined,
// double width and double height text, umlauts, and characters only the fallback font has.
QStringList sampleLines()
{
    return {
        q(u"╔══════════════════════════════════════╗"),
        q(u"║ Müller & Söhne, Größenänderung  4711 ║"),
        q(u"╟──────────┬───────────────────────────╢"),
        q(u"║ ") + esc('E', {0}) + q(u"Fett") + esc('F', {0}) + q(u"     │ ") + esc('-', {1}) + q(u"unterstrichen") +
            esc('-', {0}) + q(u"  ░▒▓█ ║"),
        q(u"║ ") + esc('W', {1}) + q(u"Breit") + esc('W', {0}) + q(u" │ ♥ ♦ ☺ ≡ ± ½ ⇒ ✓ ∀     ║"),
        esc('w', {1}) + q(u"Hoch") + esc('w', {0}) + q(u" und normal"),
        q(u"╚══════════╧═══════════════════════════╝"),
    };
}

// Draws the sample on a page of the given size, through the component's own content
// writer or through the painter only.
void drawSample(PdfComponent& pdf, QSize pagePixels, bool painterOnly)
{
    pdf.beginPage(pagePixels.width(), pagePixels.height());
    Canvas& dc = pdf.surface();
    const Canvas::PainterOnly scope(dc, painterOnly);
    dc.setWidestLineInches(4.0);
    QString font = QStringLiteral("Courier New");
    const QStringList lines = sampleLines();
    qint32 line = 1;
    for (qsizetype i = 0; i < lines.size(); ++i, ++line) {
        const LineResult drawn = drawLine(dc, {line, 40, lines[i], dc.heightPixels(), 12, 12, font, 5, i == 0});
        line = drawn.lastLine;
        font = drawn.fontName;
    }
    pdf.endPage();
}

} // namespace

TEST(PdfPageLayer, LinesLookAsThroughThePainterAndStaySearchable)
{
    TempFolders dirs;
    // Portrait at the component's usual resolution, and landscape at a printer's.
    for (const auto& [dpi, pagePixels] : {std::pair{72, QSize(595, 842)}, std::pair{300, QSize(3508, 2480)}}) {
        SCOPED_TRACE(dpi);
        const QString path = dirs.root() + QStringLiteral("/layer%1.pdf").arg(dpi);
        PdfComponent pdf;
        pdf.startEngine();
        pdf.setHorizontalResolution(dpi);
        pdf.setVerticalResolution(dpi);
        ASSERT_TRUE(pdf.beginDocument(path).ok());
        drawSample(pdf, pagePixels, false);
        drawSample(pdf, pagePixels, true);
        ASSERT_TRUE(pdf.endDocument().ok());
        ASSERT_TRUE(pdftools::check(path).ok());

        // Every word where the painter puts it, to a fiftieth of a point.
        const QList<QList<pdftools::Word>> pages = pdftools::words(path);
        ASSERT_EQ(pages.size(), 2);
        ASSERT_EQ(pages[0].size(), pages[1].size());
        ASSERT_GE(pages[0].size(), 15);
        for (qsizetype i = 0; i < pages[0].size(); ++i) {
            const pdftools::Word& own = pages[0][i];
            const pdftools::Word& painted = pages[1][i];
            EXPECT_EQ(own.text, painted.text);
            for (double d : {own.box.left() - painted.box.left(), own.box.right() - painted.box.right(),
                             own.box.top() - painted.box.top(), own.box.bottom() - painted.box.bottom()})
                EXPECT_LT(std::abs(d), 0.02) << own.text.toStdString();
        }
        const QString text = pdftools::pageTexts(path).value(0);
        for (const char* expected : {"Müller & Söhne, Größenänderung", "Fett", "unterstrichen", "♥ ♦ ☺ ≡ ± ½ ⇒ ✓ ∀"})
            EXPECT_TRUE(text.contains(QString::fromUtf8(expected))) << expected << "\n" << text.toStdString();

        // Frames, shades and glyph shapes: the same ink, up to where edges fall on pixels.
        const QList<QImage> images = pdftools::pageImages(path, 100);
        ASSERT_EQ(images.size(), 2);
        EXPECT_LT(differingShare(images[0], images[1]), 0.0001);

        // Every font embedded with a Unicode map, so text can be searched and copied; the
        // page's own ones (regular, bold, and the fallback font) as tagged subsets.
        QStringList subsets;
        for (const pdftools::Font& font : pdftools::fonts(path)) {
            EXPECT_TRUE(font.embedded && font.unicode) << font.name.toStdString();
            if (font.name.contains(u'+') && font.subset)
                subsets << font.name.section(u'+', 1);
        }
        subsets.sort();
        EXPECT_EQ(subsets, QStringList({"DejaVuSansMono", "LiberationMono", "LiberationMono-Bold"}));
    }
}
