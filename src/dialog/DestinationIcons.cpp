#include "DestinationIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

constexpr int iconSize = 16;

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

void drawPdf(QPainter& p)
{
    drawPage(p);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(200, 30, 30));
    p.drawRect(QRectF(1, 8, 14, 5));
    p.setPen(QPen(Qt::white, 1));
    // "PDF" in three tiny strokes: enough to tell the page from a plain document.
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

} // namespace

QIcon destinationIcon(qint16 kind)
{
    if (kind < 2 || kind > 5)
        return QIcon();
    QPixmap pixmap(iconSize, iconSize);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    switch (kind) {
    case 2:
        drawMail(p);
        break;
    case 3:
        drawPrinterBody(p);
        break;
    case 4:
        drawFax(p);
        break;
    default:
        drawPdf(p);
        break;
    }
    p.end();
    return QIcon(pixmap);
}
