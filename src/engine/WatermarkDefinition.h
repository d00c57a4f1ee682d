#pragma once

#include <QColor>
#include <QString>

// One watermark definition: a line of "Wasser.txt" with twelve fields separated by "|".
//
//   text|font|size|bold|italic|underline|strikethrough|horizontal|vertical|rotation|colour|brightness
//
// The text doubles as the definition's name in every list. Fields 4 to 12 are written
// with a blank in place of a plus sign (" 1", "-100"); the size is kept exactly as typed,
// so a size that is not a number survives a load and save unchanged.
//
// The painter (drawWatermark), the print dialog, the outputs and the watermark editor all read
// a line through parse(), so a line means the same wherever it is drawn.
struct WatermarkDefinition
{
    QString text;
    QString fontName = QStringLiteral("Arial");
    QString size = QStringLiteral("72"); // points, as typed
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikethrough = false;
    qint32 horizontalOffset = 0; // tenths of a millimetre, positive to the right
    qint32 verticalOffset = 0;   // tenths of a millimetre, positive downwards
    qint32 rotation = 0;         // tenths of a degree, positive counter-clockwise
    qint16 colourIndex = 0;      // 0 to 15, see paletteColour()
    qint16 brightness = 0;       // 0 to 255, added to each component of the palette colour

    // Reads a line the way the editor does: fields are cut from the front at each "|".
    // A field that is missing (no further "|") or whose number cannot be read keeps its
    // value from `previous`; a colour index outside 0 to 15 or a brightness outside 0 to
    // 255 counts as unreadable. Whatever follows the last "|" that was cut is read as the
    // brightness, so "Kopie|Arial|120| 1" gets brightness 1 and keeps the other attributes.
    // An empty line gives `previous` unchanged. A "|" typed into the text shifts every
    // later field by one place, as the file format implies.
    static WatermarkDefinition parse(const QString& line, const WatermarkDefinition& previous);
    // The same, starting from a default definition.
    static WatermarkDefinition parse(const QString& line);

    // The line as the editor writes it: all twelve fields, no "|" after the last one.
    QString compose() const;

    // The name shown in the lists: the text before the first "|" (the whole line when it
    // holds none; readers stop at such a line before asking for its name).
    static QString nameOf(const QString& line);

    // The 16 console colours; an index outside 0 to 15 gives black.
    static QColor paletteColour(int index);
    // Each component of the palette colour plus the brightness, capped at 255 (a negative
    // brightness counts as 0).
    static QColor shownColour(int index, int brightness);
    QColor shownColour() const { return shownColour(colourIndex, brightness); }

    // The size in points for drawing: the leading number of the typed size ("120",
    // "36.5pt"); a size without a positive number gives defaultPointSize.
    double pointSize() const;
    static constexpr double defaultPointSize = 12.0;

    bool operator==(const WatermarkDefinition&) const = default;
};
