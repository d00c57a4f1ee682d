#include "engine/Watermark.h"

#include "engine/Canvas.h"
#include "engine/WatermarkDefinition.h"
#include "platform/FontFamilies.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>

namespace {

constexpr double tenthsOfMillimetrePerInch = 254.0;

double usableDpi(int dpi)
{
    return dpi > 0 ? double(dpi) : 72.0;
}

} // namespace

void drawWatermark(Canvas& dc, const QString& definition)
{
    const WatermarkDefinition wm = WatermarkDefinition::parse(definition);
    if (wm.text.isEmpty())
        return;
    QPainter& painter = dc.painter();
    if (!painter.isActive())
        return;

    const double dpiX = usableDpi(dc.dpiX());
    const double dpiY = usableDpi(dc.dpiY());
    const double width = dc.widthPixels();
    const double height = dc.heightPixels();

    // The font is sized in pixels of the x axis; a device with other vertical resolution
    // gets a vertical scale below, so the text keeps its shape at any angle. The cap keeps
    // a mistyped size from asking the font engine for glyphs far larger than any page.
    const double longestSide = std::max({width, height, 64.0});
    const double pixels = std::clamp(wm.pointSize() * dpiX / 72.0, 1.0, std::min(4.0 * longestSide, 20000.0));
    QFont font = fonts::fontFor(wm.fontName, fonts::Pitch::Variable);
    font.setPixelSize(std::max(1, qRound(pixels)));
    font.setBold(wm.bold);
    font.setItalic(wm.italic);
    font.setUnderline(wm.underline);
    font.setStrikeOut(wm.strikethrough);

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.setBackgroundMode(Qt::TransparentMode);
    painter.setFont(font);
    painter.setPen(wm.shownColour());

    painter.translate(width / 2.0 + wm.horizontalOffset * dpiX / tenthsOfMillimetrePerInch,
                      height / 2.0 + wm.verticalOffset * dpiY / tenthsOfMillimetrePerInch);
    if (dpiY != dpiX)
        painter.scale(1.0, dpiY / dpiX);
    // Qt turns clockwise for positive angles on a y-down device.
    painter.rotate(-wm.rotation / 10.0);

    // Centre the text box (advance by ascent plus descent) on the origin.
    const QFontMetricsF metrics(font, painter.device());
    const double textWidth = metrics.horizontalAdvance(wm.text);
    painter.drawText(QPointF(-textWidth / 2.0, (metrics.ascent() - metrics.descent()) / 2.0), wm.text);
    painter.restore();
}
