#pragma once

#include <QtGlobal>

// The print modes a DOS program switches with escape codes. They stay in force from one
// line to the next until switched off or reset (ESC @, or a new document), except the
// one-line double width of SO, which ends with the line.
struct RendererModes
{
    bool bold = false;         // ESC E / ESC F
    bool doubleStrike = false; // ESC G / ESC H
    bool italic = false;       // ESC 4 / ESC 5
    bool underline = false;    // ESC - n
    bool condensed = false;    // SI, ESC SI / DC2
    int pitch = 10;            // characters per inch: 10 (ESC P), 12 (ESC M), 15 (ESC g)
    bool doubleWidth = false;  // ESC W n
    bool lineDoubleWidth = false; // SO, ESC SO / DC4, ends with the line
    bool doubleHeight = false; // ESC w n
    int charset = 0;           // ESC R n: international character set

    void reset() { *this = RendererModes(); }
    bool operator==(const RendererModes&) const = default;

    // Printed darker: emphasized or double strike, both drawn with the bold face.
    bool heavy() const { return bold || doubleStrike; }

    // Characters per inch of the current mode, before double width. Condensed turns
    // pica into 17.14 and elite into 20 characters per inch; 15 cpi has no condensed form.
    double charactersPerInch() const
    {
        if (!condensed || pitch == 15)
            return pitch;
        return pitch == 12 ? 20.0 : 120.0 / 7.0;
    }

    // Width of one character cell in inches; `pitchScale` is SignPitch / 12, because a
    // cell is the advance of the chosen font size (10 per inch at 12 points).
    double cellInches(double pitchScale) const
    {
        const double width = pitchScale / charactersPerInch();
        return doubleWidth || lineDoubleWidth ? 2 * width : width;
    }
};
