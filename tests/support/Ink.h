#pragma once

// Measurements of the ink on a rendered page: how much, where, of which colour, and how
// far two renderings of the same page differ.

#include <QColor>
#include <QImage>
#include <QRect>

#include <algorithm>
#include <climits>
#include <cstdlib>

inline bool isInk(QRgb pixel, int threshold = 160)
{
    return qGray(pixel) < threshold;
}

// Sum of darkness (255 - grey) over `area` (the whole image when null).
inline qint64 inkAmount(const QImage& image, QRect area = QRect())
{
    area = (area.isNull() ? image.rect() : area) & image.rect();
    qint64 sum = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            sum += 255 - qGray(image.pixel(x, y));
    return sum;
}

// Smallest rectangle holding every ink pixel of `area`; null when there is none.
inline QRect inkBounds(const QImage& image, QRect area = QRect())
{
    area = (area.isNull() ? image.rect() : area) & image.rect();
    int left = INT_MAX, top = INT_MAX, right = -1, bottom = -1;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (isInk(image.pixel(x, y))) {
                left = std::min(left, x), right = std::max(right, x);
                top = std::min(top, y), bottom = std::max(bottom, y);
            }
        }
    }
    return right < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

// Share of the pixels of `area` whose colour lies within `tolerance` of `colour` in
// every channel.
inline double colourShare(const QImage& image, QColor colour, int tolerance = 60, QRect area = QRect())
{
    area = (area.isNull() ? image.rect() : area) & image.rect();
    qint64 hits = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            hits += std::abs(c.red() - colour.red()) <= tolerance &&
                    std::abs(c.green() - colour.green()) <= tolerance &&
                    std::abs(c.blue() - colour.blue()) <= tolerance;
        }
    }
    return area.isEmpty() ? 0.0 : double(hits) / (double(area.width()) * area.height());
}

// Share of the pixels of one image that have no pixel of like grey (within a quarter of the
// scale) at or next to the same place in the other, over the area both cover. One renderer
// puts a glyph on a whole pixel row, another at the exact fraction of one; a page laid out
// differently moves whole glyphs and differs.
inline double differingShare(const QImage& a, const QImage& b)
{
    const QImage ga = a.convertToFormat(QImage::Format_Grayscale8);
    const QImage gb = b.convertToFormat(QImage::Format_Grayscale8);
    const int width = std::min(a.width(), b.width());
    const int height = std::min(a.height(), b.height());
    auto unmatched = [&](const QImage& from, const QImage& in, int x, int y) {
        const int grey = from.constScanLine(y)[x];
        for (int v = std::max(0, y - 1); v <= std::min(height - 1, y + 1); ++v)
            for (int u = std::max(0, x - 1); u <= std::min(width - 1, x + 1); ++u)
                if (std::abs(grey - in.constScanLine(v)[u]) <= 64)
                    return false;
        return true;
    };
    qint64 differing = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            differing += unmatched(ga, gb, x, y) || unmatched(gb, ga, x, y);
    return width > 0 && height > 0 ? double(differing) / (double(width) * height) : 1.0;
}
