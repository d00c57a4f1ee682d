#pragma once

#include <QLineF>
#include <QPointF>
#include <QRectF>
#include <QRgb>
#include <QtGlobal>

#include <span>

class QRawFont;
class QTransform;

// A glyph where the line renderer places it, with the character it stands for.
struct PlacedGlyph
{
    quint32 index = 0;
    char32_t character = 0;
    QPointF position;
};

// Where a canvas may send what the line renderer draws instead of to its painter: a PDF
// page writes text and frames into its content much more cheaply than the painter's
// general paths, which position and encode every glyph on its own and write a block of
// state for every fill. The renderer hands over what it would have drawn, in device
// pixels through the given transform. Each call either takes everything it is given or
// nothing (returning false), and the caller then draws it through the painter.
//
// What a sink takes lies above everything the painter draws on the page.
class PageSink
{
public:
    virtual ~PageSink() = default;

    // Glyphs of one font at positions in the font's pixel space (the transform maps that
    // space to the device), each with the character it stands for, so the text stays
    // searchable and copyable. Text is black.
    virtual bool drawGlyphs(const QRawFont& font, const QTransform& toDevice, std::span<const PlacedGlyph> glyphs) = 0;
    // Rectangles filled with an opaque colour, each filled on its own.
    virtual bool fillRects(QRgb colour, const QTransform& toDevice, std::span<const QRectF> rects) = 0;
    // Black lines of `width` device pixels with flat ends.
    virtual bool strokeLine(const QTransform& toDevice, const QLineF& line, double width) = 0;
};
