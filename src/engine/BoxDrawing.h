#pragma once

#include "engine/BoxFills.h"

#include <QRectF>

#include <vector>

// Box-drawing and block characters (U+2500..U+259F) drawn as geometry instead of font
// glyphs. Fonts draw frame characters at their own size and position, so frames break
// into pieces as soon as the cell is wider or taller than the font's idea of it. Here
// every line runs through the centre of its cell and reaches the cell edges, so frames
// join across cells and across lines whatever the font, the pitch and the line spacing.
namespace boxdrawing {

inline bool isBoxCharacter(char32_t c)
{
    return c >= 0x2500 && c <= 0x259F;
}

// Adds the ink of `c` in `cell` (device pixels, floating point) to `fills`, which the
// caller paints once for the whole line. `lineWidth` is the width of a light line; heavy
// lines are twice as wide, double lines are two light lines. Strokes that end at the cell
// edge reach `overlap` beyond it, so neighbouring cells meet without a hairline gap on
// anti-aliased or vector devices. In narrow cells lines get thinner,
// but never thinner than `minimumWidth` (one pixel on bitmaps, where thinner lines may
// fall between pixel centres and vanish). Characters outside the range draw nothing.
void draw(BoxFills& fills, const QRectF& cell, char32_t c, double lineWidth, double overlap, double minimumWidth = 0);

// The frame characters of one line, drawn as draw() draws them, for lines that come again:
// a listing draws the same verticals in the same columns line after line, and the strokes
// of a line it drew before are only moved down to the new line. Cells are added left to
// right between begin() and drawInto().
class Line
{
public:
    // The line's cells are `height` tall; the rest as for draw().
    void begin(double height, double lineWidth, double overlap, double minimumWidth);
    void add(char32_t c, double left, double width);
    // Adds the line's strokes with its top at `top` to `fills`, merged among themselves
    // but not with what `fills` holds already.
    void drawInto(BoxFills& fills, double top);

private:
    struct Cell
    {
        char32_t c;
        double left;
        double width;
        bool operator==(const Cell&) const = default;
    };
    struct Shape
    {
        double height = 0;
        double lineWidth = 0;
        double overlap = 0;
        double minimumWidth = 0;
        std::vector<Cell> cells;
        bool operator==(const Shape&) const = default;
    };
    struct Drawn
    {
        Shape shape;
        BoxFills strokes; // with the line's top at 0
    };

    Shape m_line;
    std::vector<Drawn> m_kept;
    size_t m_nextToReplace = 0;
};

} // namespace boxdrawing
