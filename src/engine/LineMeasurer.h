#pragma once

#include "engine/RendererLine.h"
#include "engine/RendererModes.h"

#include <QString>

// Measures the natural width of a document's lines, so the outputs can hand the widest
// to the canvas (Canvas::setWidestLineInches) before the first line is drawn and the
// renderer can pick one horizontal scale for the whole document.
//
// Lines must be added in document order: escape codes carry their modes from line to
// line exactly as when drawing (a condensed listing stays condensed until DC2).
class LineMeasurer
{
public:
    // `signPitch` and `leftMargin` as later passed to drawLine.
    LineMeasurer(qint32 signPitch, qint32 leftMargin);

    void add(const QString& line);
    // A line measured elsewhere from the modes this measurer is in (modes()): where its
    // ink ends, and the modes it leaves.
    void add(double inkEnd, const RendererModes& modesAfter);
    // The width of the widest line added so far, left margin included, in inches; blanks
    // at the end of a line do not count. 0 before any line with ink. A line wider than
    // WidestFitted counts as that wide: a document is shrunk at most until 400 pica
    // columns fit, and a longer line (a text file without line ends) is clipped at the
    // page's edge instead of shrinking every other line to nothing.
    double widestInches() const { return m_widest; }
    static constexpr double WidestFitted = 40.0;
    // The print modes in force after the lines added so far.
    const RendererModes& modes() const { return m_modes; }

private:
    double m_pitchScale;
    double m_margin;
    double m_widest = 0;
    RendererModes m_modes;
    RendererLine m_line;
};
