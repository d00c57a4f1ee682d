#include "engine/Canvas.h"

#include "engine/RendererState.h"

#include <QPagedPaintDevice>
#include <QPaintDevice>

#include <utility>

Canvas::Canvas(QPaintDevice* device) : m_device(device), m_painter(&m_ownPainter) {}

Canvas::Canvas(QPainter* activePainter) : m_device(activePainter->device()), m_painter(activePainter) {}

Canvas::~Canvas()
{
    if (m_painter == &m_ownPainter && m_ownPainter.isActive())
        m_ownPainter.end();
}

QPainter& Canvas::painter()
{
    if (m_pageDue)
        std::exchange(m_pageDue, nullptr)();
    if (!m_painter->isActive() && m_painter == &m_ownPainter)
        begin();
    return *m_painter;
}

bool Canvas::isActive() const
{
    return m_painter->isActive();
}

bool Canvas::begin()
{
    if (m_painter->isActive())
        return true;
    return m_device && m_painter->begin(m_device);
}

bool Canvas::end()
{
    if (!m_painter->isActive())
        return true;
    return m_painter->end();
}

bool Canvas::newPage()
{
    auto* paged = dynamic_cast<QPagedPaintDevice*>(m_device);
    return paged && paged->newPage();
}

int Canvas::dpiX() const
{
    return m_device ? m_device->logicalDpiX() : 96;
}

int Canvas::dpiY() const
{
    return m_device ? m_device->logicalDpiY() : 96;
}

int Canvas::widthPixels() const
{
    return m_device ? m_device->width() : 0;
}

int Canvas::heightPixels() const
{
    return m_device ? m_device->height() : 0;
}

Canvas::RendererState& Canvas::rendererState()
{
    if (!m_state)
        m_state = std::make_unique<RendererState>();
    return *m_state;
}
