#pragma once

#include "engine/PageSink.h"
#include "pdf/PdfContent.h"
#include "pdf/PdfPageLayer.h"

#include <QByteArray>
#include <QRawFont>

#include <utility>
#include <vector>

class QImage;

// Writes the content of one page of a PdfPageLayer at a time: every glyph run becomes one
// text matrix and one string of glyph numbers, with a number only where a glyph does not
// stand where the one before it ends; black rectangles are gathered over the page, so the
// strokes of a frame's column become one rectangle from its top to its bottom. They lie
// over the page's text then, which is black as they are, and below every shade that comes
// after them.
//
// Writers share the fonts of their layer and may work on different threads, each on its
// own pages: a page's content and the glyphs it uses stay with the writer until the page
// ends, and the caller hands them to the layer (PdfPageLayer::addPage) in page order, so
// the document comes out the same however its pages were divided.
class PdfPageWriter : public PageSink
{
public:
    explicit PdfPageWriter(PdfPageLayer& layer);

    // Starts a page. Device pixels map to PDF points as on the page writer's page:
    // `pointsPerPixel` across and down, from the top of a page `pageHeightPoints` high.
    // An open page is dropped.
    void beginPage(double pointsPerPixel, double pageHeightPoints);
    bool isOpen() const { return m_open; }
    // Ends the page and hands over what was written on it: no content when nothing was.
    PdfPageLayer::Page endPage();

    bool drawGlyphs(const QRawFont& font, const QTransform& toDevice, std::span<const PlacedGlyph> glyphs) override;
    bool fillRects(QRgb colour, const QTransform& toDevice, std::span<const QRectF> rects) override;
    bool strokeLine(const QTransform& toDevice, const QLineF& line, double width) override;

    // Draws a picture (a page drawn as a bitmap) over `target`, in device pixels, stored
    // losslessly in the fewest bits that keep every pixel: one bit for black and white, a
    // palette of up to 256 colours for few colours, full colour otherwise. Opaque. False
    // for a null picture.
    bool drawPagePicture(const QRectF& target, const QImage& picture);

private:
    using Font = PdfPageLayer::Font;
    Font* fontFor(const QRawFont& font);
    void enterText(bool text);
    void setFillColour(QRgb colour);
    void addBlack(const QRectF& rect);
    void writeBlack();

    PdfPageLayer& m_layer;
    std::vector<std::pair<QRawFont, Font*>> m_recent; // sized fonts seen, for a quick match
    PdfContent m_page;                                // content of the open page
    std::vector<QRectF> m_black;                      // black rectangles not written yet
    std::vector<PdfPageLayer::UsedGlyph> m_used;      // glyphs of the open page, first use first
    std::vector<std::vector<bool>> m_usedOnPage;      // per font: whether m_used has the glyph
    std::vector<double> m_advances;                   // of the glyphs drawGlyphs draws
    // A page's content packs almost as well at the fastest level as at the default.
    PdfDeflater m_deflater{1};
    double m_pointsPerPixel = 1;
    double m_pageHeight = 0;
    Font* m_currentFont = nullptr;
    double m_currentSize = -1;
    double m_currentSpacing = 0;
    QRgb m_fillColour = 0;
    bool m_open = false;
    bool m_inText = false;
    bool m_hasContent = false;
};
