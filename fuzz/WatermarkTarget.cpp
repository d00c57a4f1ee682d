#include "FuzzTargets.h"

#include "engine/Canvas.h"
#include "engine/Watermark.h"
#include "engine/WatermarkDefinition.h"

#include <QImage>
#include <QStringList>

#include <cmath>

namespace {

// What the lists, the editor and the painter rely on from a parsed definition: attributes
// in their ranges, a usable size, and a line that the editor writes reading back the same.
void checkDefinition(const WatermarkDefinition& d)
{
    if (d.colourIndex < 0 || d.colourIndex > 15 || d.brightness < 0 || d.brightness > 255)
        fuzz::fail("colour and brightness in their ranges");
    if (!std::isfinite(d.pointSize()) || d.pointSize() <= 0)
        fuzz::fail("a positive point size");
    const QString line = d.compose();
    if (WatermarkDefinition::parse(line) != d)
        fuzz::fail("a composed line parses to the same definition");
    if (WatermarkDefinition::nameOf(line) != d.text)
        fuzz::fail("the name of a composed line is its text");
}

} // namespace

int fuzzWatermark(const uint8_t* data, size_t size)
{
    fuzz::ensureGuiApplication();
    // Read as the watermark list reads the file: locale encoding, CR LF line ends.
    const QString text = QString::fromLocal8Bit(reinterpret_cast<const char*>(data), qsizetype(size));
    QStringList lines = text.split(u'\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();

    QImage image(160, 120, QImage::Format_RGB32); // 4 x 3 inches at 40 dpi
    image.setDotsPerMeterX(1575);
    image.setDotsPerMeterY(1575);
    image.fill(Qt::white);
    Canvas dc(&image);
    WatermarkDefinition shown; // the editor reads each line over the one shown before
    for (qsizetype n = 0; n < lines.size(); ++n) {
        QString line = lines[n];
        if (line.endsWith(u'\r'))
            line.chop(1);
        checkDefinition(WatermarkDefinition::parse(line));
        shown = WatermarkDefinition::parse(line, shown);
        checkDefinition(shown);
        // Drawing costs far more than parsing; a few lines show what the painter makes of
        // the values.
        if (n < 4)
            drawWatermark(dc, line);
    }
    dc.end();
    fuzz::idle();
    return 0;
}
