#include "BoxFills.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <tuple>

namespace {

// Edges computed from the same cell grid are equal up to rounding of the last bits.
bool same(double a, double b)
{
    return std::abs(a - b) <= 1e-9 * std::max({1.0, std::abs(a), std::abs(b)});
}

// A rectangle as spans along an axis and across it.
struct Spans
{
    double start, end;    // along the axis
    double across, width; // across it
};

Spans spans(const QRectF& r, bool horizontal)
{
    return horizontal ? Spans{r.left(), r.right(), r.top(), r.height()}
                      : Spans{r.top(), r.bottom(), r.left(), r.width()};
}

// Joins rectangles of equal extent across the axis whose spans along it meet.
void mergeOnAxis(std::vector<QRectF>& rects, bool horizontal)
{
    if (rects.size() < 2)
        return;
    std::sort(rects.begin(), rects.end(), [horizontal](const QRectF& a, const QRectF& b) {
        const Spans x = spans(a, horizontal);
        const Spans y = spans(b, horizontal);
        return std::tie(x.across, x.width, x.start) < std::tie(y.across, y.width, y.start);
    });
    size_t kept = 0;
    for (size_t i = 1; i < rects.size(); ++i) {
        QRectF& current = rects[kept];
        const Spans c = spans(current, horizontal);
        const Spans n = spans(rects[i], horizontal);
        if (same(c.across, n.across) && same(c.width, n.width) && (n.start <= c.end || same(n.start, c.end))) {
            if (horizontal)
                current.setRight(std::max(c.end, n.end));
            else
                current.setBottom(std::max(c.end, n.end));
            continue;
        }
        rects[++kept] = rects[i];
    }
    rects.resize(kept + 1);
}

} // namespace

void BoxFills::addRect(const QRectF& rect, QRgb colour)
{
    if (!(rect.width() > 0) || !(rect.height() > 0) || !std::isfinite(rect.left()) || !std::isfinite(rect.top()) ||
        !std::isfinite(rect.width()) || !std::isfinite(rect.height()))
        return;
    auto it = std::find_if(m_fills.begin(), m_fills.end(), [colour](const Fill& f) { return f.colour == colour; });
    if (it == m_fills.end()) {
        m_fills.push_back({colour, {}});
        it = m_fills.end() - 1;
    }
    it->rects.push_back(rect);
}

void BoxFills::addLine(const QLineF& line, double width)
{
    m_lines.push_back({line, width});
}

bool BoxFills::isEmpty() const
{
    return m_lines.empty() &&
           std::all_of(m_fills.begin(), m_fills.end(), [](const Fill& f) { return f.rects.empty(); });
}

void BoxFills::merge(std::vector<QRectF>& rects)
{
    // Horizontal strokes first (rules across cells), then vertical ones (the upper and
    // lower arm of a vertical line in one cell).
    mergeOnAxis(rects, true);
    mergeOnAxis(rects, false);
}

void BoxFills::paint(QPainter& painter)
{
    if (isEmpty()) {
        clear();
        return;
    }
    // Lighter first: a shade painted after a neighbouring cell's frame would cover the
    // frame's overlap into the shaded cell.
    std::sort(m_fills.begin(), m_fills.end(),
              [](const Fill& a, const Fill& b) { return qGray(a.colour) > qGray(b.colour); });
    painter.save();
    painter.setPen(Qt::NoPen);
    for (Fill& fill : m_fills) {
        if (fill.rects.empty())
            continue;
        merge(fill.rects);
        painter.setBrush(QColor(fill.colour));
        // One rectangle per fill: viewers snap a fill that is a single rectangle to
        // whole device pixels, so thin rules stay crisp instead of turning into grey
        // antialiased bands. The state is written once for all of them.
        for (const QRectF& rect : fill.rects)
            painter.drawRects(&rect, 1);
    }
    if (!m_lines.empty()) {
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setBrush(Qt::NoBrush);
        for (const Line& line : m_lines) {
            painter.setPen(QPen(Qt::black, line.width, Qt::SolidLine, Qt::FlatCap));
            painter.drawLine(line.line);
        }
    }
    painter.restore();
    clear();
}

void BoxFills::clear()
{
    for (Fill& fill : m_fills)
        fill.rects.clear();
    m_lines.clear();
}
