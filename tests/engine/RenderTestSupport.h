#pragma once

// Helpers of the renderer tests: records built the way the reader hands them over,
// pages rendered into images, and measurements of the ink on them.

#include "Canvas.h"
#include "PrintEngine.h"

#include <QImage>
#include <QRect>
#include <QString>
#include <QStringList>

#include <initializer_list>

namespace rendertest {

// ESC, the command byte and its parameter bytes as the reader encodes them (U+F000 + b).
inline QString esc(char command, std::initializer_list<int> params = {})
{
    QString s;
    s += QChar(0x1B);
    s += QChar(command);
    for (int p : params)
        s += QChar(char16_t(0xF000 + (p & 0xFF)));
    return s;
}

// ESC ( B with Epson's layout: k m s v1 v2 c data; parameters encoded as by the reader.
inline QString barCode(int type, const QByteArray& data, int module = 3, int flags = 0)
{
    const int n = 6 + int(data.size());
    QString s = esc('(', {'B', n & 0xFF, n >> 8, type, module, 0, 0, 0, flags});
    for (char c : data)
        s += QChar(char16_t(0xF000 + uchar(c)));
    return s;
}

struct PageSetup
{
    int dpi = 150;
    int linesPerPage = 60;
    int signPitch = 12;
    int barCodePitch = 12;
    int leftMargin = 0;
    QString fontName = QStringLiteral("Courier New");
    bool measure = true; // hand the widest line to the canvas first, as the outputs do
    QSize pageMillimetres{210, 297};
};

struct RenderedPage
{
    QImage image;
    QString fontAfter;
    QList<qint32> lineAfter; // `line` as handed back for each text line
    double bandHeight = 0;
};

// Renders `lines` as lines 1, 2, ... of one page (continuing after double-height lines
// as the outputs do), the first with the first-line flag.
inline RenderedPage renderPage(const QStringList& lines, const PageSetup& setup = {})
{
    const int width = qRound(setup.pageMillimetres.width() / 25.4 * setup.dpi);
    const int height = qRound(setup.pageMillimetres.height() / 25.4 * setup.dpi);
    RenderedPage page;
    page.image = QImage(width, height, QImage::Format_RGB32);
    page.image.setDotsPerMeterX(qRound(setup.dpi / 0.0254));
    page.image.setDotsPerMeterY(qRound(setup.dpi / 0.0254));
    page.image.fill(Qt::white);
    Canvas canvas(&page.image);
    if (setup.measure) {
        LineMeasurer measurer(setup.signPitch, setup.leftMargin);
        for (const QString& line : lines)
            measurer.add(line);
        canvas.setWidestLineInches(measurer.widestInches());
    }
    STARTPRINT2(canvas, QStringLiteral("test"));
    QString font = setup.fontName;
    qint32 number = 1;
    for (qsizetype i = 0; i < lines.size(); ++i, ++number) {
        QString text = lines[i];
        PRINTLINE5(canvas, number, setup.linesPerPage, text, height, setup.signPitch, setup.barCodePitch, font,
                   setup.leftMargin, i == 0 ? 1 : 0);
        page.lineAfter.append(number);
    }
    ENDPRINT(canvas);
    page.fontAfter = font;
    page.bandHeight = double(height) / setup.linesPerPage;
    return page;
}

inline bool isInk(QRgb pixel, int threshold = 160)
{
    return qGray(pixel) < threshold;
}

// Sum of darkness (255 - grey) over `area`: how much ink lies there.
inline qint64 inkAmount(const QImage& image, QRect area = QRect())
{
    if (area.isNull())
        area = image.rect();
    area &= image.rect();
    qint64 sum = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = area.left(); x <= area.right(); ++x)
            sum += 255 - qGray(row[x]);
    }
    return sum;
}

// Smallest rectangle holding every ink pixel of `area`; null when there is none.
inline QRect inkBounds(const QImage& image, QRect area = QRect())
{
    if (area.isNull())
        area = image.rect();
    area &= image.rect();
    int left = INT_MAX, top = INT_MAX, right = -1, bottom = -1;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = area.left(); x <= area.right(); ++x) {
            if (isInk(row[x])) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    return right < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

// The band of line `line` (1-based) as image rows.
inline QRect bandRect(const RenderedPage& page, int line, int bands = 1)
{
    const int top = int(std::ceil((line - 1) * page.bandHeight));
    const int bottom = int(std::floor((line - 1 + bands) * page.bandHeight)) - 1;
    return QRect(0, top, page.image.width(), bottom - top + 1);
}

} // namespace rendertest
