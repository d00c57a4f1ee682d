#include "engine/BoxFills.h"

#include "engine/PageSink.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

// How many of the latest rectangles of a colour a new one is compared with: enough for
// the strokes of a cell and of its left neighbour.
constexpr size_t MergeWindow = 8;

// Whether two spans along an axis overlap or touch. Ends computed from neighbouring
// cells may differ in the last bits where they should meet.
inline bool meet(double start, double end, double otherStart, double otherEnd)
{
    const double slack = 1e-9 * (1.0 + std::abs(end) + std::abs(otherEnd));
    return start <= otherEnd + slack && otherStart <= end + slack;
}

// Joins `r` into `kept` when both have the same extent across one axis and meet along
// it. Strokes on one rule are computed from the same centre and width, so their extents
// across are exactly equal.
bool join(QRectF& kept, const QRectF& r)
{
    if (kept.top() == r.top() && kept.height() == r.height() && meet(kept.left(), kept.right(), r.left(), r.right())) {
        const double left = std::min(kept.left(), r.left());
        const double right = std::max(kept.right(), r.right());
        kept.setLeft(left);
        kept.setRight(right);
        return true;
    }
    if (kept.left() == r.left() && kept.width() == r.width() && meet(kept.top(), kept.bottom(), r.top(), r.bottom())) {
        const double top = std::min(kept.top(), r.top());
        const double bottom = std::max(kept.bottom(), r.bottom());
        kept.setTop(top);
        kept.setBottom(bottom);
        return true;
    }
    return false;
}

} // namespace

std::vector<BoxFills::Fill>::iterator BoxFills::fillOf(QRgb colour)
{
    auto it = std::find_if(m_fills.begin(), m_fills.end(), [colour](const Fill& f) { return f.colour == colour; });
    if (it != m_fills.end())
        return it;
    m_fills.push_back({colour, {}});
    return m_fills.end() - 1;
}

void BoxFills::addRect(const QRectF& rect, QRgb colour)
{
    if (!(rect.width() > 0) || !(rect.height() > 0) || !std::isfinite(rect.left()) || !std::isfinite(rect.top()) ||
        !std::isfinite(rect.width()) || !std::isfinite(rect.height()))
        return;
    const auto it = fillOf(colour);
    // A stroke may bridge two kept ones (the left arm of a cell between its right arm
    // and the previous cell), so a grown rectangle is offered to the others again.
    std::vector<QRectF>& rects = it->rects;
    rects.push_back(rect);
    size_t grown = rects.size() - 1;
    for (bool joined = true; joined;) {
        joined = false;
        const size_t from = rects.size() > MergeWindow ? rects.size() - MergeWindow : 0;
        for (size_t i = rects.size(); i-- > from;) {
            if (i != grown && join(rects[i], rects[grown])) {
                rects.erase(rects.begin() + qsizetype(grown));
                grown = i < grown ? i : i - 1;
                joined = true;
                break;
            }
        }
    }
}

void BoxFills::addLine(const QLineF& line, double width)
{
    m_lines.push_back({line, width});
}

void BoxFills::appendMoved(const BoxFills& other, double dy)
{
    for (const Fill& from : other.m_fills) {
        if (from.rects.empty())
            continue;
        const auto it = fillOf(from.colour);
        for (const QRectF& rect : from.rects)
            it->rects.push_back(rect.translated(0, dy));
    }
    for (const Line& line : other.m_lines)
        m_lines.push_back({line.line.translated(0, dy), line.width});
}

bool BoxFills::isEmpty() const
{
    return m_lines.empty() &&
           std::all_of(m_fills.begin(), m_fills.end(), [](const Fill& f) { return f.rects.empty(); });
}

void BoxFills::paint(QPainter& painter, PageSink* sink)
{
    if (isEmpty()) {
        clear();
        return;
    }
    // Lighter first: a shade painted after a neighbouring cell's frame would cover the
    // frame's overlap into the shaded cell.
    std::sort(m_fills.begin(), m_fills.end(),
              [](const Fill& a, const Fill& b) { return qGray(a.colour) > qGray(b.colour); });
    const QTransform toDevice = sink ? painter.combinedTransform() : QTransform();
    // A sink usually takes every fill and line itself; the painter's state is touched only
    // for what it leaves, as saving and restoring it costs more than the drawing.
    bool saved = false;
    const auto painterState = [&] {
        if (!saved)
            painter.save();
        saved = true;
    };
    for (const Fill& fill : m_fills) {
        if (fill.rects.empty() || (sink && sink->fillRects(fill.colour, toDevice, fill.rects)))
            continue;
        painterState();
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(fill.colour));
        // One rectangle per fill: viewers snap a fill that is a single rectangle to
        // whole device pixels, so thin rules stay crisp instead of turning into grey
        // antialiased bands. The state is written once for all of them.
        for (const QRectF& rect : fill.rects)
            painter.drawRects(&rect, 1);
    }
    for (const Line& line : m_lines) {
        if (sink && sink->strokeLine(toDevice, line.line, line.width))
            continue;
        painterState();
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(Qt::black, line.width, Qt::SolidLine, Qt::FlatCap));
        painter.drawLine(line.line);
    }
    if (saved)
        painter.restore();
    clear();
}

void BoxFills::clear()
{
    for (Fill& fill : m_fills)
        fill.rects.clear();
    m_lines.clear();
}
