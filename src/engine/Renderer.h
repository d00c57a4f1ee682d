#pragma once

#include "engine/RendererLine.h"

#include <QtGlobal>

class PageSink;
class QPainter;
class QTransform;

// Draws interpreted lines (RendererLine) onto a painter.
//
// Geometry: the line's band is given in device pixels; horizontally every item stands at
// margin + its grid position, in inches, times dots per inch times the document's one
// horizontal scale. Nothing is rounded to whole device pixels: on a 72 dpi PDF page a
// rounding per column would let columns drift by several points across a line.
//
// Text goes out as glyph runs on the cell grid (real text on vector devices, so a PDF
// stays searchable), box-drawing characters as geometry, bar codes as filled bars.
// A line is painted in few calls, because every call costs a block of state on a PDF
// page: frames, shades and underlines as one fill per colour, then one glyph run per
// style (and per font, where a fallback font supplies a character). Blanks put no glyph
// on the page; text extraction sees the gap. Where the canvas has a page sink, runs and
// fills go there instead of to the painter.
class Renderer
{
public:
    struct Geometry
    {
        double bandTop = 0;    // top of the line's band, device pixels
        double bandHeight = 0; // height of one band; a double-height line takes two
        double dotsPerInchX = 72;
        double dotsPerInchY = 72;
        double horizontalScale = 1; // the document's scale, at most 1
        double marginInches = 0;
        double pointSize = 12;        // SignPitch
        double barHeightPoints = 12;  // BarCodePitch
        PageSink* pageSink = nullptr; // takes text and frames instead of the painter, if set
    };

    Renderer(QPainter& painter, const Geometry& geometry);

    void draw(const RendererLine& line);

    // SignPitch as a factor of the 12-point cell (a tenth of an inch); absurd values
    // (0, negative, huge) fall back to 12 points or are clamped.
    static double pointSize(qint32 signPitch);
    static double pitchScale(qint32 signPitch) { return pointSize(signPitch) / 12.0; }
    // LeftSpace cells of a tenth of an inch; negative margins count as none.
    static double marginInches(qint32 leftMargin);

private:
    struct PendingRun;
    struct LineBuffers;

    static LineBuffers& lineBuffers();
    PendingRun& runFor(const RendererLine& line, const RendererItem& item);
    void addGlyph(PendingRun& run, const RendererLine& line, size_t index);
    void endUnderline(PendingRun& run, double end);
    void paintRun(const PendingRun& run, const QTransform& base, const QTransform& baseToDevice);
    double deviceX(double inches) const;
    // The painter, its state saved for this line, for what is drawn through it.
    QPainter& drawingPainter();

    QPainter& m_painter;
    Geometry m_geometry;
    double m_regionTop = 0;
    double m_regionHeight = 0;
    bool m_doubleHeightLine = false;
    double m_minimumStroke = 0;       // device pixels
    bool m_antialiasedText = true;    // the painter's hint: glyphs in two colours only when off
    LineBuffers* m_buffers = nullptr; // this thread's, while a line is drawn
    PendingRun* m_lastRun = nullptr;  // the run the last glyph went to
    bool m_painterSaved = false;      // by drawingPainter(), for this line
};
