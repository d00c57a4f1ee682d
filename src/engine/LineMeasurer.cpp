#include "LineMeasurer.h"

#include "Renderer.h"
#include "RendererParser.h"

LineMeasurer::LineMeasurer(qint32 signPitch, qint32 leftMargin)
    : m_pitchScale(Renderer::pitchScale(signPitch)), m_margin(Renderer::marginInches(leftMargin))
{
}

void LineMeasurer::add(const QString& line)
{
    renderer::parseLine(line, m_modes, QString(), m_pitchScale, m_line);
    if (m_line.inkEnd > 0)
        m_widest = std::max(m_widest, m_margin + m_line.inkEnd);
}
