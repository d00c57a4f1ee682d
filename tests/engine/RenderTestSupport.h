#pragma once

// Pages rendered into images by the line renderer, as the outputs draw them.

#include "engine/Canvas.h"
#include "engine/PrintEngine.h"
#include "support/EscapeCodes.h"
#include "support/Ink.h"

#include <QImage>
#include <QRect>
#include <QString>
#include <QStringList>

#include <cmath>

namespace rendertest {

// ESC ( B: length, then type, module, space, two heights, flags, data; encoded as by the reader.
inline QString barCode(int type, const QByteArray& data, int module = 3, int flags = 0)
{
    const int n = 6 + int(data.size());
    QString s = esc('(', {'B', n & 0xFF, n >> 8, type, module, 0, 0, 0, flags});
    for (char c : data)
        s += param(uchar(c));
    return s;
}

struct PageSetup
{
    int dpi = 150;
    int linesPerPage = 60;
    int signPitch = 12;
    int barCodePitch = 12;
    int leftMargin = 0;
    bool antialiased = false;
    QList<int> firstLineFlags{0}; // lines (0-based) drawn with the first-line flag
};

struct RenderedPage
{
    QImage image;
    QString fontAfter;
    QList<qint32> lineAfter; // `line` as handed back for each text line
    double bandHeight = 0;
};

// Prints `lines` on `canvas` as lines 1, 2, ... of one page the way the outputs do: the widest
// line first, then each line (continuing after double-height lines). False if the canvas failed.
inline bool printLines(Canvas& canvas, const QStringList& lines, const PageSetup& setup, int height, RenderedPage& page,
                       const QString& title = QStringLiteral("test"))
{
    LineMeasurer measurer(setup.signPitch, setup.leftMargin);
    for (const QString& line : lines)
        measurer.add(line);
    canvas.setWidestLineInches(measurer.widestInches());
    bool ok = beginDocument(canvas, title);
    canvas.painter().setRenderHint(QPainter::Antialiasing, setup.antialiased);
    page.fontAfter = QStringLiteral("Courier New");
    qint32 number = 1;
    for (qsizetype i = 0; i < lines.size(); ++i, ++number) {
        const LineResult drawn =
            drawLine(canvas, {number, setup.linesPerPage, lines[i], height, setup.signPitch, setup.barCodePitch,
                              page.fontAfter, setup.leftMargin, setup.firstLineFlags.contains(int(i))});
        number = drawn.lastLine;
        page.fontAfter = drawn.fontName;
        page.lineAfter.append(number);
    }
    page.bandHeight = double(height) / setup.linesPerPage;
    return endDocument(canvas) && ok;
}

// The same on a white A4 image.
inline RenderedPage renderPage(const QStringList& lines, const PageSetup& setup = {})
{
    RenderedPage page;
    page.image = QImage(qRound(210 / 25.4 * setup.dpi), qRound(297 / 25.4 * setup.dpi), QImage::Format_RGB32);
    page.image.setDotsPerMeterX(qRound(setup.dpi / 0.0254));
    page.image.setDotsPerMeterY(qRound(setup.dpi / 0.0254));
    page.image.fill(Qt::white);
    Canvas canvas(&page.image);
    printLines(canvas, lines, setup, page.image.height(), page);
    return page;
}

// The band of line `line` (1-based) as image rows.
inline QRect bandRect(const RenderedPage& page, int line, int bands = 1)
{
    const int top = int(std::ceil((line - 1) * page.bandHeight));
    const int bottom = int(std::floor((line - 1 + bands) * page.bandHeight)) - 1;
    return QRect(0, top, page.image.width(), bottom - top + 1);
}

inline QRect lineInk(const RenderedPage& page, int line, int bands = 1)
{
    return inkBounds(page.image, bandRect(page, line, bands));
}

} // namespace rendertest
