#include "engine/LineMeasurer.h"

#include "engine/Renderer.h"
#include "engine/RendererParser.h"

#include <algorithm>

LineMeasurer::LineMeasurer(qint32 signPitch, qint32 leftMargin)
    : m_pitchScale(Renderer::pitchScale(signPitch)), m_margin(Renderer::marginInches(leftMargin))
{
}

void LineMeasurer::add(const QString& line)
{
    double inkEnd = 0;
    if (!renderer::plainLineInkEnd(line, m_modes, m_pitchScale, inkEnd)) {
        renderer::parseLine(line, m_modes, QString(), m_pitchScale, m_line);
        inkEnd = m_line.inkEnd;
    }
    if (inkEnd > 0)
        m_widest = std::max(m_widest, std::min(m_margin + inkEnd, WidestFitted));
}

void LineMeasurer::add(double inkEnd, const RendererModes& modesAfter)
{
    m_modes = modesAfter;
    if (inkEnd > 0)
        m_widest = std::max(m_widest, std::min(m_margin + inkEnd, WidestFitted));
}
