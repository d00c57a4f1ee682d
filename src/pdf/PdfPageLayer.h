#pragma once

#include "engine/PageSink.h"
#include "pdf/PdfObject.h"
#include "pdf/TrueTypeSubset.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <mutex>
#include <vector>

class PdfPageWriter;
class QRawFont;

// The lines of a PDF document's pages (text, frames, shades), written as PDF content by
// the document itself rather than by the page writer's painter (PdfPageWriter.h). Fonts are
// embedded as TrueType subsets that keep their glyph numbers, with a map back to the
// characters, so the text stays searchable.
//
// The finishing pass (PdfFinish.h) adds each page's content after what the painter drew
// on it, and the fonts to the document.
//
// Pages are written either here, one after the other (beginPage ... endPage, the layer
// being the canvas's page sink), or by writers of their own on other threads, whose pages
// are added in page order (addPage). Only the font lookup of the writers may run on other
// threads; everything else belongs to the thread that made the layer.
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

    bool drawGlyphs(const QRawFont& font, const QTransform& toDevice, std::span<const PlacedGlyph> glyphs) override;
    bool fillRects(QRgb colour, const QTransform& toDevice, std::span<const QRectF> rects) override;
    bool strokeLine(const QTransform& toDevice, const QLineF& line, double width) override;

    // A glyph a page uses, and the character it stands for there.
    struct UsedGlyph
    {
        int font = 0;
        quint32 glyph = 0;
        char32_t character = 0;
    };
    // One page as a writer ends it: its content compressed for FlateDecode (empty when
    // nothing was drawn), and the glyphs it uses, in the order they first appear.
    struct Page
    {
        QByteArray content;
        std::vector<UsedGlyph> glyphs;
    };
    // Adds a page written elsewhere as page `index`; pages are added in order, so each
    // glyph keeps the character it first stood for in the document.
    void addPage(int index, Page page);

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
    friend class PdfPageWriter;
    // A font of the document; made once and never changed by the writers, which read its
    // widths. Which glyphs the document uses is noted by addPage.
    struct Font
    {
        int index = 0;
        QString key;
        TrueTypeFont data;
        QByteArray resourceName;
        bool embeddable = false;
        std::vector<bool> used;
        std::vector<char32_t> characters; // what each glyph stands for, the first one seen

        Font(int number, const QRawFont& font);
    };
    // The document's font for a sized font, made at its first use. Safe on any thread.
    Font* fontFor(const QRawFont& font);

    std::vector<std::unique_ptr<Font>> m_fonts;
    std::mutex m_fontsLock;
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
    std::unique_ptr<PdfPageWriter> m_writer; // the pages written here
    int m_pageIndex = -1;
};
