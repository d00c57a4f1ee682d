#pragma once

#include <QByteArray>
#include <QPointF>
#include <QString>

#include <vector>

class QPainter;

// One bar code of ESC ( B, encoded by libzint into bars measured in modules. The bar code
// is encoded once and can then be measured and drawn at any resolution: positions stay
// in floating point, so a bar code on a 72 dpi PDF page has the same proportions as on a
// 600 dpi printer.
class BarCode
{
public:
    // The bytes after ESC ( B nL nH, in Epson's layout: k (type), m (module width in
    // 1/180 inch), s (space adjustment), v1 v2 (bar length), c (control flags), data.
    // Types: 0 EAN-13, 1 EAN-8, 2 Interleaved 2 of 5, 3 UPC-A, 4 UPC-E, 5 Code 39,
    // 6 Code 128, 7 POSTNET. Flags: bit 0 adds a check digit where the symbology has an
    // optional one, bit 1 suppresses the human-readable line.
    // Data that cannot be encoded gives an invalid bar code that draws nothing.
    static BarCode fromEscapeData(const QByteArray& bytes);

    bool isValid() const { return !m_bars.empty(); }
    // Width of a module in inches, as the print data asked for.
    double moduleInches() const { return m_moduleDots / 180.0; }
    double widthInches() const { return m_width * moduleInches(); }
    // Bar length the print data asked for, in inches; 0 when it left it to the printer.
    double requestedHeightInches() const { return m_requestedHeight / 180.0; }
    // The human-readable text libzint produced (with the check digit it computed).
    QString text() const { return m_text; }

    // Draws the bar code with its top left corner at `topLeft`, one module `moduleWidth`
    // device pixels wide, the bars `barHeight` device pixels tall. Guard bars and the
    // human-readable text hang below the bars in proportion to the module width.
    // Draws with the painter's current world transform; fills black.
    void draw(QPainter& painter, QPointF topLeft, double moduleWidth, double barHeight) const;

private:
    struct Bar
    {
        float x, y, width, height; // x, width in modules; y, height in bar heights (guards exceed 1)
    };
    struct Label
    {
        float x, baseline, size;   // modules
        int align;                 // 0 centre, 1 left, 2 right
        QString text;
    };

    std::vector<Bar> m_bars;
    std::vector<Label> m_labels;
    double m_width = 0;
    double m_barModules = 50; // bar height libzint encoded, in modules
    int m_moduleDots = 2;
    int m_requestedHeight = 0;
    QString m_text;
};
