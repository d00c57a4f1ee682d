#pragma once

#include <QPaintDevice>
#include <QSize>

#include <memory>

// A paint device of a page's size and resolution that draws nothing and notes whether
// anything was drawn on it. The lines of a PDF page are drawn against it on a worker
// thread, where the page's own painter cannot be used: their text and frames go to a
// page sink, and a page on which something still reached the painter (a bar code, text in
// a font that cannot be embedded) is drawn again by the page's painter.
class DrawingDetector : public QPaintDevice
{
public:
    DrawingDetector(QSize pixels, int dpiX, int dpiY);
    ~DrawingDetector() override;
    DrawingDetector(const DrawingDetector&) = delete;
    DrawingDetector& operator=(const DrawingDetector&) = delete;

    QPaintEngine* paintEngine() const override;

    bool drewAnything() const;
    void forget();

protected:
    int metric(PaintDeviceMetric metric) const override;

private:
    class Engine;
    QSize m_pixels;
    int m_dpiX;
    int m_dpiY;
    std::unique_ptr<Engine> m_engine;
};
