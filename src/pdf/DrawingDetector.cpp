#include "pdf/DrawingDetector.h"

#include <QPaintEngine>

// Every drawing operation only notes that it came. The engine claims every feature, so
// the painter hands it each operation as it is instead of breaking it into others first.
class DrawingDetector::Engine : public QPaintEngine
{
public:
    Engine() : QPaintEngine(AllFeatures) {}

    bool drew = false;

    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    void updateState(const QPaintEngineState&) override {}
    Type type() const override { return User; }

    void drawRects(const QRect*, int) override { drew = true; }
    void drawRects(const QRectF*, int) override { drew = true; }
    void drawLines(const QLine*, int) override { drew = true; }
    void drawLines(const QLineF*, int) override { drew = true; }
    void drawEllipse(const QRectF&) override { drew = true; }
    void drawEllipse(const QRect&) override { drew = true; }
    void drawPath(const QPainterPath&) override { drew = true; }
    void drawPoints(const QPointF*, int) override { drew = true; }
    void drawPoints(const QPoint*, int) override { drew = true; }
    void drawPolygon(const QPointF*, int, PolygonDrawMode) override { drew = true; }
    void drawPolygon(const QPoint*, int, PolygonDrawMode) override { drew = true; }
    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override { drew = true; }
    void drawTextItem(const QPointF&, const QTextItem&) override { drew = true; }
    void drawTiledPixmap(const QRectF&, const QPixmap&, const QPointF&) override { drew = true; }
    void drawImage(const QRectF&, const QImage&, const QRectF&, Qt::ImageConversionFlags) override { drew = true; }
};

DrawingDetector::DrawingDetector(QSize pixels, int dpiX, int dpiY)
    : m_pixels(pixels), m_dpiX(dpiX), m_dpiY(dpiY), m_engine(std::make_unique<Engine>())
{
}

DrawingDetector::~DrawingDetector() = default;

QPaintEngine* DrawingDetector::paintEngine() const
{
    return m_engine.get();
}

bool DrawingDetector::drewAnything() const
{
    return m_engine->drew;
}

void DrawingDetector::forget()
{
    m_engine->drew = false;
}

int DrawingDetector::metric(PaintDeviceMetric metric) const
{
    switch (metric) {
    case PdmWidth:
        return m_pixels.width();
    case PdmHeight:
        return m_pixels.height();
    case PdmWidthMM:
        return qRound(m_pixels.width() * 25.4 / m_dpiX);
    case PdmHeightMM:
        return qRound(m_pixels.height() * 25.4 / m_dpiY);
    case PdmNumColors:
        return 0x7fffffff;
    case PdmDepth:
        return 32;
    case PdmDpiX:
    case PdmPhysicalDpiX:
        return m_dpiX;
    case PdmDpiY:
    case PdmPhysicalDpiY:
        return m_dpiY;
    case PdmDevicePixelRatio:
        return 1;
    case PdmDevicePixelRatioScaled:
        return int(devicePixelRatioFScale());
    default:
        return QPaintDevice::metric(metric);
    }
}
