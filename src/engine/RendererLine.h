#pragma once

#include "engine/BarCode.h"

#include <QString>
#include <QStringList>

#include <vector>

// One printable thing of a line, placed on the line's cell grid. Positions are in inches
// from the left margin at natural size; the renderer scales them to the device.
struct RendererItem
{
    enum Kind : quint8 { Glyph, Box, Code };
    enum Attribute : quint8 { Bold = 1, Italic = 2, Underline = 4, DoubleHeight = 8 };

    Kind kind = Glyph;
    quint8 attributes = 0;
    quint16 font = 0;  // index into RendererLine::fonts
    char32_t ch = 0;   // Glyph and Box
    int barCode = -1;  // Code: index into RendererLine::barCodes
    double x = 0;      // left edge of the cell
    double width = 0;  // cell width; a double-width cell is twice the pitch

    bool has(Attribute a) const { return attributes & a; }
    // Whether the item puts ink on paper: a blank does only when underlined.
    bool inked() const { return kind != Glyph || (ch != U' ' && ch != 0xA0) || has(Underline); }
};

// A record interpreted: what to draw, and what the line needs from the page.
struct RendererLine
{
    std::vector<RendererItem> items;
    std::vector<BarCode> barCodes;
    QStringList fonts;          // fonts the items use; the first is the one the line began with
    bool doubleHeight = false;  // some character is printed double height: the line takes two bands
    double inkEnd = 0;          // right edge of the rightmost inked cell, inches from the margin

    void clear()
    {
        items.clear();
        barCodes.clear();
        fonts.clear();
        doubleHeight = false;
        inkEnd = 0;
    }
    // The font in force after the line (ESC k may have switched it).
    QString fontAfter() const { return m_fontAfter; }
    void setFontAfter(const QString& font) { m_fontAfter = font; }

private:
    QString m_fontAfter;
};
