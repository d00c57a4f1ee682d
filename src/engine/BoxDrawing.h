#pragma once

#include <QRectF>

class BoxFills;

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

} // namespace boxdrawing
