#include "preview/PictureBox.h"

#include <QPaintEvent>
#include <QPainter>

void PictureBox::setTwips(const QSize& twips)
{
    m_twips = twips;
    resize(qRound(double(twips.width()) / TwipsPerPixel), qRound(double(twips.height()) / TwipsPerPixel));
}

void PictureBox::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.fillRect(event->rect(), Qt::white);
    if (m_picture && !m_picture->isNull())
        painter.drawImage(QPoint(0, 0), *m_picture);
}
