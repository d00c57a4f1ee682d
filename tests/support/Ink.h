#pragma once

// Measurements of the ink on a rendered page: how much, where, of which colour, and how
// far two renderings of the same page differ. An area left null is the whole image.

#include <QColor>
#include <QImage>

#include <algorithm>
#include <cstdlib>

inline bool isInk(QRgb pixel, int threshold = 160)
{
    return qGray(pixel) < threshold;
}

// Calls f(x, y) for every pixel of `area` within the image.
template <typename F> void forEachPixel(const QImage& image, QRect area, F f)
{
    area = (area.isNull() ? image.rect() : area) & image.rect();
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            f(x, y);
}

// Sum of darkness (255 - grey) over the area.
inline qint64 inkAmount(const QImage& image, QRect area = QRect())
{
    qint64 sum = 0;
    forEachPixel(image, area, [&](int x, int y) { sum += 255 - qGray(image.pixel(x, y)); });
    return sum;
}

// Smallest rectangle holding every ink pixel of the area; null when there is none.
inline QRect inkBounds(const QImage& image, QRect area = QRect())
{
    QRect bounds;
    forEachPixel(image, area, [&](int x, int y) {
        if (isInk(image.pixel(x, y)))
            bounds |= QRect(x, y, 1, 1);
    });
    return bounds;
}

// Share of the pixels of the area whose colour lies within `tolerance` of `colour` in
// every channel.
inline double colourShare(const QImage& image, QColor colour, int tolerance = 60, QRect area = QRect())
{
    qint64 hits = 0, all = 0;
    forEachPixel(image, area, [&](int x, int y) {
        const QColor c = image.pixelColor(x, y);
        ++all;
        hits += std::max({std::abs(c.red() - colour.red()), std::abs(c.green() - colour.green()),
                          std::abs(c.blue() - colour.blue())}) <= tolerance;
    });
    return all ? double(hits) / all : 0.0;
}

// Share of the pixels of one image that have no pixel of like grey (within a quarter of the
// scale) at or next to the same place in the other, over the area both cover. One renderer
// puts a glyph on a whole pixel row, another at the exact fraction of one; a page laid out
// differently moves whole glyphs and differs.
inline double differingShare(const QImage& a, const QImage& b)
{
    const QImage ga = a.convertToFormat(QImage::Format_Grayscale8);
    const QImage gb = b.convertToFormat(QImage::Format_Grayscale8);
    const QRect both = a.rect() & b.rect();
    auto unmatched = [&](const QImage& from, const QImage& in, int x, int y) {
        bool found = false;
        forEachPixel(in, QRect(x - 1, y - 1, 3, 3) & both, [&](int u, int v) {
            found = found || std::abs(from.constScanLine(y)[x] - in.constScanLine(v)[u]) <= 64;
        });
        return !found;
    };
    qint64 differing = 0;
    forEachPixel(ga, both, [&](int x, int y) { differing += unmatched(ga, gb, x, y) || unmatched(gb, ga, x, y); });
    return both.isEmpty() ? 1.0 : double(differing) / (double(both.width()) * both.height());
}
