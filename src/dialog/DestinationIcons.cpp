#include "dialog/DestinationIcons.h"

#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

// Every picture is drawn on a grid of 16 units, scaled to the pixels asked for, so it is
// as sharp in a list at twice the screen scale as at the plain size.
constexpr double gridUnits = 16.0;
// From this many device pixels on, the PDF page carries the letters "PDF" as text; below
// it three strokes a pixel wide stand for them.
constexpr double pixelsForLetters = 24.0;

void drawPage(QPainter& p)
{
    QPainterPath page;
    page.moveTo(3, 0.5);
    page.lineTo(10, 0.5);
    page.lineTo(13.5, 4);
    page.lineTo(13.5, 15.5);
    page.lineTo(2.5, 15.5);
    page.lineTo(2.5, 0.5);
    p.setPen(QPen(QColor(90, 90, 90), 1));
    p.setBrush(Qt::white);
    p.drawPath(page);
    p.drawLine(QPointF(10, 0.5), QPointF(10, 4));
    p.drawLine(QPointF(10, 4), QPointF(13.5, 4));
}

void drawPdf(QPainter& p, double devicePixels)
{
    drawPage(p);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(200, 30, 30));
    if (devicePixels >= pixelsForLetters) {
        // The letters as outlines fitted into the band: sharp at any size.
        const QRectF band(0.5, 7, 15, 6.5);
        p.drawRoundedRect(band, 0.8, 0.8);
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setBold(true);
        font.setPixelSize(100);
        QPainterPath letters;
        letters.addText(0, 0, font, QStringLiteral("PDF"));
        const QRectF box = letters.boundingRect();
        const QRectF target = band.adjusted(1.2, 1.3, -1.2, -1.3);
        const double scale = std::min(target.width() / box.width(), target.height() / box.height());
        QTransform fit;
        fit.translate(target.center().x(), target.center().y());
        fit.scale(scale, scale);
        fit.translate(-box.center().x(), -box.center().y());
        p.setBrush(Qt::white);
        p.drawPath(fit.map(letters));
        return;
    }
    p.drawRect(QRectF(1, 8, 14, 5));
    p.setPen(QPen(Qt::white, 1));
    p.drawLine(QPointF(3, 9), QPointF(3, 12));
    p.drawLine(QPointF(3, 9), QPointF(5, 9));
    p.drawLine(QPointF(5, 9), QPointF(5, 10.5));
    p.drawLine(QPointF(3, 10.5), QPointF(5, 10.5));
    p.drawLine(QPointF(7, 9), QPointF(7, 12));
    p.drawLine(QPointF(7, 9), QPointF(9, 10.5));
    p.drawLine(QPointF(9, 10.5), QPointF(7, 12));
    p.drawLine(QPointF(11, 9), QPointF(11, 12));
    p.drawLine(QPointF(11, 9), QPointF(13, 9));
    p.drawLine(QPointF(11, 10.5), QPointF(12.5, 10.5));
}

void drawMail(QPainter& p)
{
    p.setPen(QPen(QColor(60, 60, 120), 1));
    p.setBrush(QColor(255, 248, 220));
    const QRectF body(0.5, 3.5, 15, 10);
    p.drawRect(body);
    p.drawLine(body.topLeft(), QPointF(8, 9.5));
    p.drawLine(QPointF(8, 9.5), body.topRight());
}

void drawPrinterBody(QPainter& p)
{
    p.setPen(QPen(QColor(70, 70, 70), 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(4.5, 0.5, 7, 6)); // paper going in
    p.setBrush(QColor(160, 160, 170));
    p.drawRect(QRectF(0.5, 6.5, 15, 6)); // housing
    p.setBrush(Qt::white);
    p.drawRect(QRectF(3.5, 10.5, 9, 5)); // paper coming out
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 180, 40));
    p.drawRect(QRectF(12, 8, 2, 1.5)); // power light
}

void drawFax(QPainter& p)
{
    drawPrinterBody(p);
    // A handset across the top marks the fax printer.
    p.setPen(QPen(QColor(20, 20, 20), 2.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(2, 2.5), QPointF(14, 2.5));
    p.setPen(QPen(QColor(20, 20, 20), 3, Qt::SolidLine, Qt::RoundCap));
    p.drawPoint(QPointF(2.5, 4));
    p.drawPoint(QPointF(13.5, 4));
}

// Draws the picture of one kind into whatever size and screen scale the list asks for.
class DestinationIconEngine : public QIconEngine
{
public:
    explicit DestinationIconEngine(qint16 kind) : m_kind(kind) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override
    {
        const double side = std::min(rect.width(), rect.height());
        const double ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->translate(rect.x() + (rect.width() - side) / 2, rect.y() + (rect.height() - side) / 2);
        painter->scale(side / gridUnits, side / gridUnits);
        if (mode == QIcon::Disabled)
            painter->setOpacity(0.4);
        switch (m_kind) {
        case 2:
            drawMail(*painter);
            break;
        case 3:
            drawPrinterBody(*painter);
            break;
        case 4:
            drawFax(*painter);
            break;
        default:
            drawPdf(*painter, side * ratio);
            break;
        }
        painter->restore();
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        QPixmap pixmap(size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        paint(&painter, pixmap.rect(), mode, state);
        return pixmap;
    }

    QIconEngine* clone() const override { return new DestinationIconEngine(m_kind); }

private:
    qint16 m_kind;
};

} // namespace

QIcon destinationIcon(qint16 kind)
{
    if (kind < 2 || kind > 5)
        return QIcon();
    return QIcon(new DestinationIconEngine(kind));
}
