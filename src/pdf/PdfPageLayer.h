#pragma once

#include "engine/PageSink.h"
#include "pdf/PdfContent.h"
#include "pdf/PdfObject.h"
#include "pdf/TrueTypeSubset.h"

#include <QByteArray>
#include <QRawFont>
#include <QString>

#include <memory>
#include <vector>

// The lines of a PDF document's pages (text, frames, shades), written as PDF content by
// the document itself rather than by the page writer's painter: every glyph run becomes
// one text matrix and one string of glyph numbers, with a number only where a glyph does
// not stand where the one before it ends; every frame stroke one rectangle. Fonts are
// embedded as TrueType subsets that keep their glyph numbers, with a map back to the
// characters, so the text stays searchable.
//
// The finishing pass (PdfFinish.h) adds each page's content after what the painter drew
// on it, and the fonts to the document.
class PdfPageLayer : public PageSink
{
public:
    PdfPageLayer();
    ~PdfPageLayer() override;
    PdfPageLayer(const PdfPageLayer&) = delete;
    PdfPageLayer& operator=(const PdfPageLayer&) = delete;

    // Starts the text of page `index` (from 0). Device pixels map to PDF points as on the
    // page writer's page: `pointsPerPixel` across and down, from the top of a page
    // `pageHeightPoints` high. An open page is ended first.
    void beginPage(int index, double pointsPerPixel, double pageHeightPoints);
    void endPage();

    bool drawGlyphs(const QRawFont& font, const QTransform& toDevice, std::span<const quint32> glyphs,
                    std::span<const QPointF> positions, std::span<const char32_t> characters) override;
    bool fillRects(QRgb colour, const QTransform& toDevice, std::span<const QRectF> rects) override;
    bool strokeLine(const QTransform& toDevice, const QLineF& line, double width) override;

    // What the finishing pass writes: a font of the document, ready to embed.
    struct EmbeddedFont
    {
        QByteArray resourceName;     // name in the pages' font resources, without the slash
        QByteArray baseFont;         // subset tag + PostScript name
        QByteArray program;          // the TrueType subset, compressed for FlateDecode
        qsizetype programLength = 0; // its size uncompressed
        PdfObject widths;            // the CID font's W array
        QByteArray toUnicode;        // the character map, compressed for FlateDecode
        TrueTypeFont::Metrics metrics;
    };
    // The fonts the pages use, subset to their glyphs. Call after the last page.
    std::vector<EmbeddedFont> embeddedFonts() const;
    // The content of page `index`, compressed for FlateDecode; empty when it has none.
    // Finished pages are kept in a temporary file, not in memory: a long document's text
    // is tens of MiB.
    QByteArray pageContent(int index) const;
    bool hasPageContent(int index) const;
    bool isEmpty() const;

private:
    struct Font;
    Font* fontFor(const QRawFont& font);
    void enterText(bool text);
    void setFillColour(QRgb colour);

    std::vector<std::unique_ptr<Font>> m_fonts;
    std::vector<std::pair<QRawFont, Font*>> m_recent; // sized fonts seen, for a quick match
    // Where a finished page's content is: a span of the spill file, or in memory when the
    // file could not be written.
    struct StoredPage
    {
        qint64 offset = -1;
        qint64 size = 0;
        QByteArray inMemory;
    };
    void store(int index, QByteArray content);
    struct Spill;
    std::unique_ptr<Spill> m_spill;
    std::vector<StoredPage> m_pages;
    PdfContent m_page; // content of the open page
    // A page's content packs almost as well at the fastest level as at the default.
    PdfDeflater m_deflater{1};
    int m_pageIndex = -1;
    Font* m_currentFont = nullptr;
    double m_currentSize = -1;
    double m_currentSpacing = 0;
    QRgb m_fillColour = 0;
    bool m_inText = false;
    bool m_hasContent = false;
};
