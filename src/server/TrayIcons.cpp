#include "server/TrayIcons.h"

#include <QPainter>
#include <QPixmap>

namespace trayIcons {
namespace {

QIcon printerIcon(const QColor& light, bool sheetOut)
{
    QIcon icon;
    for (const int size : {16, 22, 32, 48}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 32.0, size / 32.0);
        // paper in the feeder
        p.setPen(QPen(QColor(90, 90, 90), 1.2));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(9, 3, 14, 10));
        // printer body
        p.setBrush(QColor(60, 70, 90));
        p.drawRoundedRect(QRectF(3, 11, 26, 12), 3, 3);
        // output sheet
        if (sheetOut) {
            p.setBrush(Qt::white);
            p.drawRect(QRectF(8, 19, 16, 11));
            p.setPen(QPen(QColor(120, 120, 120), 1));
            for (const double y : {22.5, 25.0, 27.5})
                p.drawLine(QPointF(10, y), QPointF(22, y));
        } else {
            p.setBrush(QColor(200, 200, 205));
            p.drawRect(QRectF(8, 20, 16, 3));
        }
        // status light
        p.setPen(Qt::NoPen);
        p.setBrush(light);
        p.drawEllipse(QPointF(24.5, 15.5), 2.2, 2.2);
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace

QIcon idle()
{
    return printerIcon(QColor(40, 190, 70), false);
}

QIcon reading()
{
    return printerIcon(QColor(250, 150, 20), true);
}

} // namespace trayIcons
