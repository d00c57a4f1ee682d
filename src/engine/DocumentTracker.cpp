#include "engine/DocumentTracker.h"

#include "engine/Renderer.h"
#include "engine/RendererParser.h"

DocumentTracker::DocumentTracker(qint32 signPitch, qint32 leftMargin, const QString& fontName, qint32 linesPerPage)
    : m_measurer(signPitch, leftMargin), m_pitchScale(Renderer::pitchScale(signPitch)), m_linesPerPage(linesPerPage),
      m_fontName(fontName)
{
}

void DocumentTracker::beginPage(bool drawn)
{
    m_drawn = drawn;
    m_skippedLine = 0;
    if (drawn && !m_anyDrawn)
        m_modes.reset();
    m_anyDrawn = m_anyDrawn || drawn;
}

void DocumentTracker::addLine(qint64 line, const QString& text)
{
    if (line < 1 || line > m_linesPerPage)
        return;
    const bool interpreted = m_drawn && line != m_skippedLine;
    // The measurer sees every line; where it stands in the same modes, one look serves both.
    const bool shared = interpreted && m_measurer.modes() == m_modes;
    if (!shared)
        m_measurer.add(text);
    if (!interpreted)
        return;
    // Lines left out are empty and change nothing; a plain line changes no mode.
    double inkEnd = 0;
    bool doubleHeight = false;
    if (renderer::plainLineInkEnd(text, m_modes, m_pitchScale, inkEnd)) {
        doubleHeight = m_modes.doubleHeight && inkEnd > 0;
    } else {
        renderer::parseLine(text, m_modes, m_fontName, m_pitchScale, m_parsed);
        inkEnd = m_parsed.inkEnd;
        doubleHeight = m_parsed.doubleHeight;
        m_fontName = m_parsed.fontAfter();
    }
    if (shared)
        m_measurer.add(inkEnd, m_modes);
    if (doubleHeight)
        m_skippedLine = line + 1;
}
