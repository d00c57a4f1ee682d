#include "engine/Renderer.h"

#include "engine/BoxDrawing.h"
#include "engine/BoxFills.h"
#include "engine/GlyphCache.h"
#include "engine/PageSink.h"

#include <QGlyphRun>
#include <QPaintEngine>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace {

// A light box-drawing line is 0.06 of the point size wide (0.72 pt at 12 pt).
constexpr double BoxLineFactor = 0.06;
// Strokes and blocks reach this far (in inches) into the neighbouring cell, so frames
// close on anti-aliased and vector devices too.
constexpr double BoxOverlapInches = 1.0 / 600.0;
// Run setups kept from line to line; a document uses a handful of styles.
constexpr size_t MaxRunSetups = 16;
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

bool isBlank(char32_t c)
{
    return c == U' ' || c == 0xA0;
}

} // namespace

// The glyphs of one style in a line, with where and how they are drawn. Items of a style
// need not be next to each other: frames and other styles may stand between them.
struct Renderer::PendingRun
{
    RunKey key{};
    std::shared_ptr<GlyphCache::Face> face;        // metrics and glyph lookup
    std::shared_ptr<GlyphCache::Face> drawingFace; // the fonts the glyphs are drawn in
    double sx = 1;                                 // stretch of the glyphs to their cell
    double textScale = 1;                          // drawingFace is this much smaller, the transform this much larger
    double textUnitsPerPixel = 1;                  // 1 / (sx * textScale)
    double sy = 1;
    double cellWidth = 0; // device pixels
    double baseline = 0;
    double underlineStart = -1;
    size_t lastItem = 0; // index of the last item added, valid when hasItems
    bool hasItems = false;
    std::vector<PlacedGlyph> glyphs, fallbackGlyphs;

    void reset()
    {
        face.reset();
        drawingFace.reset();
        underlineStart = -1;
        hasItems = false;
        glyphs.clear();
        fallbackGlyphs.clear();
    }
};

// What a line gathers before it is painted, kept per thread so the buffers of one line
// serve the next.
struct Renderer::LineBuffers
{
    BoxFills fills;
    boxdrawing::Line frames;
    std::vector<std::unique_ptr<PendingRun>> runs;
    size_t used = 0;

    // How runs of the lines before were set up: the next line of a page asks for the same
    // faces at the same sizes, and looking them up again costs more than drawing a cell.
    struct RunSetup
    {
        RunKey key{};
        QString family;
        double bandHeight, pointSize, dotsPerInchX, dotsPerInchY, horizontalScale;
        bool doubleHeightLine, antialiased;
        std::shared_ptr<GlyphCache::Face> face, drawingFace;
        double sx, sy, textScale, cellWidth, baselineBelowTop;
    };
    std::vector<RunSetup> setups;
};

Renderer::LineBuffers& Renderer::lineBuffers()
{
    thread_local LineBuffers buffers;
    return buffers;
}

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

inline double Renderer::deviceX(double inches) const
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

    m_painterSaved = false;
    const double pixelsPerInch = m_geometry.dotsPerInchX * m_geometry.horizontalScale;
    // On bitmaps a line thinner than a pixel may fall between pixel centres and vanish;
    // vector devices get the exact width.
    m_minimumStroke = m_painter.paintEngine() && m_painter.paintEngine()->type() == QPaintEngine::Raster ? 1.0 : 0.0;
    m_antialiasedText = m_painter.testRenderHint(QPainter::TextAntialiasing);
    const double lineWidth =
        std::max(m_geometry.pointSize * BoxLineFactor / 72.0 * m_geometry.dotsPerInchY, m_minimumStroke);
    const double overlap = BoxOverlapInches * m_geometry.dotsPerInchY;

    LineBuffers& buffers = lineBuffers();
    m_buffers = &buffers;
    m_lastRun = nullptr;
    for (size_t i = 0; i < buffers.used; ++i)
        buffers.runs[i]->reset();
    buffers.used = 0;
    buffers.fills.clear();
    buffers.frames.begin(m_regionHeight, lineWidth, overlap, m_minimumStroke);

    for (size_t i = 0; i < line.items.size(); ++i) {
        const RendererItem& item = line.items[i];
        if (item.kind == RendererItem::Glyph) {
            // Neighbouring characters mostly share their style: the last run is checked here,
            // without a call.
            PendingRun* run = m_lastRun;
            if (!run || !(run->key == runKey(item)))
                run = &runFor(line, item);
            // A blank between words, with no underline going on, only marks its place.
            if (run->underlineStart < 0 && !item.has(RendererItem::Underline) && isBlank(item.ch)) {
                run->lastItem = i;
                run->hasItems = true;
                continue;
            }
            addGlyph(*run, line, i);
        } else if (item.kind == RendererItem::Box) {
            buffers.frames.add(item.ch, deviceX(item.x), item.width * pixelsPerInch);
        } else if (item.kind == RendererItem::Code && item.barCode >= 0 &&
                   size_t(item.barCode) < line.barCodes.size()) {
            const BarCode& code = line.barCodes[size_t(item.barCode)];
            double heightInches = m_geometry.barHeightPoints / 72.0;
            if (heightInches <= 0)
                heightInches = code.requestedHeightInches() > 0 ? code.requestedHeightInches() : 1.0 / 6.0;
            code.draw(drawingPainter(), QPointF(deviceX(item.x), m_regionTop), code.moduleInches() * pixelsPerInch,
                      heightInches * m_geometry.dotsPerInchY);
        }
    }
    for (size_t i = 0; i < buffers.used; ++i) {
        PendingRun& run = *buffers.runs[i];
        if (run.hasItems)
            endUnderline(run, deviceX(line.items[run.lastItem].x) + run.cellWidth);
    }

    buffers.frames.drawInto(buffers.fills, m_regionTop);

    // Text over shades, so a shaded field stays readable.
    buffers.fills.paint(m_painter, m_geometry.pageSink);
    const QTransform base = m_painter.worldTransform();
    const QTransform toDevice = m_painter.combinedTransform();
    for (size_t i = 0; i < buffers.used; ++i)
        paintRun(*buffers.runs[i], base, toDevice);
    if (m_painterSaved)
        m_painter.restore();
}

QPainter& Renderer::drawingPainter()
{
    // A page sink usually takes the whole line: the painter's state is saved (and its pen
    // set) only when something is drawn through it, as saving costs more than a line.
    if (!m_painterSaved) {
        m_painter.save();
        m_painter.setPen(Qt::black);
        m_painterSaved = true;
    }
    return m_painter;
}

Renderer::PendingRun& Renderer::runFor(const RendererLine& line, const RendererItem& item)
{
    LineBuffers& buffers = *m_buffers;
    const RunKey key = runKey(item);
    for (size_t i = 0; i < buffers.used; ++i) {
        if (buffers.runs[i]->key == key)
            return *(m_lastRun = buffers.runs[i].get());
    }
    if (buffers.used == buffers.runs.size())
        buffers.runs.push_back(std::make_unique<PendingRun>());
    PendingRun& run = *buffers.runs[buffers.used++];
    run.key = key;
    m_lastRun = &run;
    const QString& family = line.fonts.value(key.font);
    for (const LineBuffers::RunSetup& setup : buffers.setups) {
        if (setup.key == key && setup.bandHeight == m_geometry.bandHeight && setup.pointSize == m_geometry.pointSize &&
            setup.dotsPerInchX == m_geometry.dotsPerInchX && setup.dotsPerInchY == m_geometry.dotsPerInchY &&
            setup.horizontalScale == m_geometry.horizontalScale && setup.doubleHeightLine == m_doubleHeightLine &&
            setup.antialiased == m_antialiasedText && setup.family == family) {
            run.face = setup.face;
            run.drawingFace = setup.drawingFace;
            run.sx = setup.sx;
            run.sy = setup.sy;
            run.textScale = setup.textScale;
            run.cellWidth = setup.cellWidth;
            run.textUnitsPerPixel = 1.0 / (run.sx * run.textScale);
            run.baseline = m_regionTop + setup.baselineBelowTop;
            return run;
        }
    }

    // The font at SignPitch points, made smaller where it would not fit its band.
    GlyphCache& cache = GlyphCache::forThisThread();
    const double fullSize = m_geometry.pointSize / 72.0 * m_geometry.dotsPerInchY;
    run.face = cache.face(family, key.bold, key.italic, fullSize, m_antialiasedText);
    const double fullReference = run.face->referenceAdvance;
    const double fullHeight = run.face->ascent + run.face->descent;
    if (fullHeight > m_geometry.bandHeight && fullHeight > 0)
        run.face =
            cache.face(family, key.bold, key.italic, fullSize * m_geometry.bandHeight / fullHeight, m_antialiasedText);
    const GlyphCache::Face& face = *run.face;

    // The glyph is stretched to its cell as the font's advance at full size is to a
    // pica cell, so a smaller font keeps its shape and stands centred in the cell.
    run.cellWidth = key.width * m_geometry.dotsPerInchX * m_geometry.horizontalScale;
    run.sx = fullReference > 0 ? run.cellWidth / fullReference : 1.0;
    run.sy = key.doubleHeight ? 2.0 : 1.0;
    const double glyphHeight = (face.ascent + face.descent) * run.sy;
    if (key.doubleHeight) {
        run.baseline = m_regionTop + (m_regionHeight - glyphHeight) / 2 + face.ascent * run.sy;
    } else {
        // In a double-height line the normal characters share the lower band.
        const double top = m_doubleHeightLine ? m_regionTop + m_geometry.bandHeight : m_regionTop;
        run.baseline = top + (m_geometry.bandHeight - glyphHeight) / 2 + face.ascent;
    }

    // The glyphs are drawn in a font smaller by a few percent under a transform larger by
    // as much, chosen so that a cell is a whole number of text units. A PDF page writes
    // every glyph's offset from the previous one; whole numbers are 1 character instead
    // of 10, which makes a page of text a third smaller. The shapes are the same.
    const double cellUnits = std::max(1.0, std::round(fullReference));
    run.textScale = fullReference > 0 ? fullReference / cellUnits : 1.0;
    run.drawingFace = run.textScale == 1.0 ? run.face
                                           : cache.face(family, key.bold, key.italic,
                                                        face.font.pixelSize() / run.textScale, m_antialiasedText);

    run.textUnitsPerPixel = 1.0 / (run.sx * run.textScale);

    if (buffers.setups.size() >= MaxRunSetups)
        buffers.setups.clear();
    buffers.setups.push_back({key, family, m_geometry.bandHeight, m_geometry.pointSize, m_geometry.dotsPerInchX,
                              m_geometry.dotsPerInchY, m_geometry.horizontalScale, m_doubleHeightLine,
                              m_antialiasedText, run.face, run.drawingFace, run.sx, run.sy, run.textScale,
                              run.cellWidth, run.baseline - m_regionTop});
    return run;
}

void Renderer::addGlyph(PendingRun& run, const RendererLine& line, size_t index)
{
    const RendererItem& item = line.items[index];
    const double left = deviceX(item.x);
    // An underline ends where the run is interrupted by something else, as at its end.
    if (run.hasItems && index != run.lastItem + 1)
        endUnderline(run, deviceX(line.items[run.lastItem].x) + run.cellWidth);
    run.lastItem = index;
    run.hasItems = true;
    if (item.has(RendererItem::Underline)) {
        if (run.underlineStart < 0)
            run.underlineStart = left;
    } else if (run.underlineStart >= 0) {
        endUnderline(run, left);
    }
    if (isBlank(item.ch))
        return;

    const GlyphCache::Glyph& glyph = run.face->glyph(item.ch);
    // Positions on a grid of 1/256 text unit (far below a thousandth of a point), so
    // glyphs whole cells apart are exactly whole units apart. This runs for every
    // character: a multiplication by the reciprocal instead of a division, and rounded
    // half away from zero as std::round rounds, without its call into the maths library.
    const double x = (left + (run.cellWidth - glyph.advance * run.sx) / 2) * run.textUnitsPerPixel;
    const double steps = x * 256;
    const double rounded =
        std::abs(steps) < 1e15 ? double(static_cast<long long>(steps + (steps < 0 ? -0.5 : 0.5))) : std::round(steps);
    (glyph.fallback ? run.fallbackGlyphs : run.glyphs).push_back({glyph.index, item.ch, QPointF(rounded / 256, 0)});
}

void Renderer::endUnderline(PendingRun& run, double end)
{
    if (run.underlineStart < 0)
        return;
    const double position = run.face->underlinePosition * run.sy;
    const double thickness = run.face->lineThickness * run.sy;
    const double height = std::max({thickness, m_geometry.dotsPerInchY / 300.0, m_minimumStroke});
    const QRectF rect(run.underlineStart, run.baseline + position - height / 2, end - run.underlineStart, height);
    m_buffers->fills.addRect(rect.normalized());
    run.underlineStart = -1;
}

void Renderer::paintRun(const PendingRun& run, const QTransform& base, const QTransform& baseToDevice)
{
    if (run.glyphs.empty() && run.fallbackGlyphs.empty())
        return;
    const double scale = run.textScale;
    const QTransform runTransform(run.sx * scale, 0, 0, run.sy * scale, 0, run.baseline);
    const QTransform transform = runTransform * base;
    const QTransform toDevice = runTransform * baseToDevice;
    auto drawRun = [&](const QRawFont& font, const std::vector<PlacedGlyph>& glyphs) {
        if (glyphs.empty() || !font.isValid())
            return;
        if (m_geometry.pageSink && m_geometry.pageSink->drawGlyphs(font, toDevice, glyphs))
            return;
        QList<quint32> indexes;
        QList<QPointF> positions;
        indexes.reserve(qsizetype(glyphs.size()));
        positions.reserve(qsizetype(glyphs.size()));
        for (const PlacedGlyph& glyph : glyphs) {
            indexes.append(glyph.index);
            positions.append(glyph.position);
        }
        QGlyphRun glyphRun;
        glyphRun.setRawFont(font);
        glyphRun.setGlyphIndexes(indexes);
        glyphRun.setPositions(positions);
        QPainter& painter = drawingPainter();
        painter.setWorldTransform(transform);
        painter.drawGlyphRun(QPointF(0, 0), glyphRun);
    };
    drawRun(run.drawingFace->font, run.glyphs);
    drawRun(run.drawingFace->fallbackFont, run.fallbackGlyphs);
}
