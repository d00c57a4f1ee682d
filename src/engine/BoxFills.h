#pragma once

#include <QLineF>
#include <QRectF>
#include <QRgb>

#include <vector>

class PageSink;
class QPainter;

// The ink of a line's frames, shades and underlines, gathered before it is painted.
// Painting every stroke on its own costs a full fill with its colour and state on vector
// devices (a PDF page grows by a dozen operators per stroke); gathered, the strokes of a
// line go out as one fill per colour. Strokes on one axis that touch or overlap are
// merged first, so a rule across 80 cells is one rectangle instead of 160.
//
// Merging never changes the covered area: only rectangles with the same extent across
// their axis are joined, and only where they overlap or touch. Strokes arrive cell by
// cell, so each new one is only compared with the last few kept.
class BoxFills
{
public:
    void addRect(const QRectF& rect, QRgb colour = qRgb(0, 0, 0));
    // A stroke at any angle, drawn antialiased with flat caps.
    void addLine(const QLineF& line, double width);

    // Adds what `other` gathered, moved down by `dy`, as it stands: merged among itself,
    // not with what this holds.
    void appendMoved(const BoxFills& other, double dy);

    bool isEmpty() const;
    // Paints what was gathered, lighter colours first so black lines stay on top of
    // shades, and empties the batch. Keeps its buffers for the next line.
    // A page sink, if given, takes what it can; the painter draws the rest.
    void paint(QPainter& painter, PageSink* sink = nullptr);
    void clear();

private:
    struct Fill
    {
        QRgb colour;
        std::vector<QRectF> rects;
    };
    struct Line
    {
        QLineF line;
        double width;
    };

    // The fill of `colour`, made when there is none yet.
    std::vector<Fill>::iterator fillOf(QRgb colour);

    std::vector<Fill> m_fills;
    std::vector<Line> m_lines;
};
