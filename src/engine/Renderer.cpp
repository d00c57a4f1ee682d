#include "Renderer.h"

#include "BoxDrawing.h"
#include "BoxFills.h"
#include "GlyphCache.h"

#include <QGlyphRun>
#include <QPaintEngine>
#include <QPainter>

#include <algorithm>

namespace {

// A light box-drawing line is 0.06 of the point size wide (0.72 pt at 12 pt).
constexpr double BoxLineFactor = 0.06;
// Strokes and blocks reach this far (in inches) into the neighbouring cell, so frames
// close on anti-aliased and vector devices too.
constexpr double BoxOverlapInches = 1.0 / 600.0;
// What a run of glyphs shares: face and how it is stretched.
struct RunKey
{
    quint16 font;
    bool bold;
    bool italic;
    bool doubleHeight;
    double width;
    bool operator==(const RunKey&) const = default;
};

RunKey runKey(const RendererItem& item)
{
    return {item.font, item.has(RendererItem::Bold), item.has(RendererItem::Italic),
            item.has(RendererItem::DoubleHeight), item.width};
}

} // namespace

Renderer::Renderer(QPainter& painter, const Geometry& geometry) : m_painter(painter), m_geometry(geometry) {}

double Renderer::pointSize(qint32 signPitch)
{
    if (signPitch <= 0)
        return 12.0;
    return std::min<double>(signPitch, 144.0);
}

double Renderer::marginInches(qint32 leftMargin)
{
    return leftMargin > 0 ? std::min<double>(leftMargin, 10000) / 10.0 : 0.0;
}

double Renderer::deviceX(double inches) const
{
    return (m_geometry.marginInches + inches) * m_geometry.dotsPerInchX * m_geometry.horizontalScale;
}

void Renderer::draw(const RendererLine& line)
{
    if (line.items.empty() || m_geometry.bandHeight <= 0)
        return;
    m_doubleHeightLine = line.doubleHeight;
    m_regionTop = m_geometry.bandTop;
    m_regionHeight = m_geometry.bandHeight * (m_doubleHeightLine ? 2 : 1);

    m_painter.save();
    m_painter.setPen(Qt::black);
    const double pixelsPerInch = m_geometry.dotsPerInchX * m_geometry.horizontalScale;
    // On bitmaps a line thinner than a pixel may fall between pixel centres and vanish;
    // vector devices get the exact width.
    m_minimumStroke = m_painter.paintEngine() && m_painter.paintEngine()->type() == QPaintEngine::Raster ? 1.0 : 0.0;
    const double lineWidth =
        std::max(m_geometry.pointSize * BoxLineFactor / 72.0 * m_geometry.dotsPerInchY, m_minimumStroke);
    const double overlap = BoxOverlapInches * m_geometry.dotsPerInchY;

    thread_local BoxFills fills;
    fills.clear();
    size_t i = 0;
    while (i < line.items.size()) {
        const RendererItem& item = line.items[i];
        if (item.kind == RendererItem::Glyph) {
            size_t end = i + 1;
            while (end < line.items.size() && line.items[end].kind == RendererItem::Glyph)
                ++end;
            drawGlyphs(line, i, end);
            i = end;
            continue;
        }
        if (item.kind == RendererItem::Box) {
            const QRectF cell(deviceX(item.x), m_regionTop, item.width * pixelsPerInch, m_regionHeight);
            boxdrawing::draw(fills, cell, item.ch, lineWidth, overlap, m_minimumStroke);
        } else if (item.kind == RendererItem::Code && item.barCode >= 0 &&
                   size_t(item.barCode) < line.barCodes.size()) {
            const BarCode& code = line.barCodes[size_t(item.barCode)];
            double heightInches = m_geometry.barHeightPoints / 72.0;
            if (heightInches <= 0)
                heightInches = code.requestedHeightInches() > 0 ? code.requestedHeightInches() : 1.0 / 6.0;
            code.draw(m_painter, QPointF(deviceX(item.x), m_regionTop), code.moduleInches() * pixelsPerInch,
                      heightInches * m_geometry.dotsPerInchY);
        }
        ++i;
    }
    fills.paint(m_painter);
    m_painter.restore();
}

void Renderer::drawGlyphs(const RendererLine& line, size_t from, size_t to)
{
    GlyphCache& cache = GlyphCache::forThisThread();
    const QTransform base = m_painter.worldTransform();
    const double pixelsPerInch = m_geometry.dotsPerInchX * m_geometry.horizontalScale;
    const double fullSize = m_geometry.pointSize / 72.0 * m_geometry.dotsPerInchY;
    QList<quint32> indexes, fallbackIndexes;
    QList<QPointF> positions, fallbackPositions;

    size_t runStart = from;
    while (runStart < to) {
        const RunKey key = runKey(line.items[runStart]);
        size_t runEnd = runStart + 1;
        while (runEnd < to && runKey(line.items[runEnd]) == key)
            ++runEnd;

        // The font at SignPitch points, made smaller where it would not fit its band.
        const QString& family = line.fonts.value(key.font);
        std::shared_ptr<GlyphCache::Face> face = cache.face(family, key.bold, key.italic, fullSize);
        const double fullReference = face->referenceAdvance;
        const double fullHeight = face->ascent + face->descent;
        if (fullHeight > m_geometry.bandHeight && fullHeight > 0) {
            face = cache.face(family, key.bold, key.italic, fullSize * m_geometry.bandHeight / fullHeight);
        }
        // The glyph is stretched to its cell as the font's advance at full size is to a
        // pica cell, so a smaller font keeps its shape and stands centred in the cell.
        const double cellWidth = key.width * pixelsPerInch;
        const double sx = fullReference > 0 ? cellWidth / fullReference : 1.0;
        const double sy = key.doubleHeight ? 2.0 : 1.0;
        const double glyphHeight = (face->ascent + face->descent) * sy;
        double baseline;
        if (key.doubleHeight) {
            baseline = m_regionTop + (m_regionHeight - glyphHeight) / 2 + face->ascent * sy;
        } else {
            // In a double-height line the normal characters share the lower band.
            const double top = m_doubleHeightLine ? m_regionTop + m_geometry.bandHeight : m_regionTop;
            baseline = top + (m_geometry.bandHeight - glyphHeight) / 2 + face->ascent;
        }

        indexes.clear();
        positions.clear();
        fallbackIndexes.clear();
        fallbackPositions.clear();
        double underlineStart = -1;
        for (size_t i = runStart; i < runEnd; ++i) {
            const RendererItem& item = line.items[i];
            const double left = deviceX(item.x);
            if (item.has(RendererItem::Underline)) {
                if (underlineStart < 0)
                    underlineStart = left;
            } else if (underlineStart >= 0) {
                drawUnderline(underlineStart, left, baseline, face->underlinePosition * sy, face->lineThickness * sy);
                underlineStart = -1;
            }
            const GlyphCache::Glyph& glyph = face->glyph(item.ch);
            const QPointF position((left + (cellWidth - glyph.advance * sx) / 2) / sx, 0);
            if (glyph.fallback) {
                fallbackIndexes.append(glyph.index);
                fallbackPositions.append(position);
            } else {
                indexes.append(glyph.index);
                positions.append(position);
            }
        }
        if (underlineStart >= 0) {
            const RendererItem& last = line.items[runEnd - 1];
            drawUnderline(underlineStart, deviceX(last.x) + cellWidth, baseline, face->underlinePosition * sy,
                          face->lineThickness * sy);
        }

        m_painter.setWorldTransform(QTransform(sx, 0, 0, sy, 0, baseline) * base);
        auto drawRun = [this](const QRawFont& font, const QList<quint32>& glyphs, const QList<QPointF>& at) {
            if (glyphs.isEmpty() || !font.isValid())
                return;
            QGlyphRun run;
            run.setRawFont(font);
            run.setGlyphIndexes(glyphs);
            run.setPositions(at);
            m_painter.drawGlyphRun(QPointF(0, 0), run);
        };
        drawRun(face->font, indexes, positions);
        drawRun(face->fallbackFont, fallbackIndexes, fallbackPositions);
        m_painter.setWorldTransform(base);
        runStart = runEnd;
    }
}

void Renderer::drawUnderline(double x0, double x1, double baseline, double position, double thickness)
{
    const double height = std::max({thickness, m_geometry.dotsPerInchY / 300.0, m_minimumStroke});
    m_painter.fillRect(QRectF(x0, baseline + position - height / 2, x1 - x0, height), Qt::black);
}
