#include "modAnhang.h"

#include "Canvas.h"
#include "PictureHolder.h"
#include "PrintEngine.h"
#include "SafeFiles.h"
#include "modGDIp.h"

#include <QPainter>

#include <algorithm>

QStringList attachmentItems(const QString& list)
{
    QStringList items;
    QString rest = list;
    while (!rest.isEmpty()) {
        const qsizetype comma = rest.indexOf(u',');
        if (comma >= 0) {
            items << rest.left(comma).trimmed();
            rest = rest.mid(comma + 1);
        } else {
            items << rest.trimmed();
            rest.clear();
        }
    }
    return items;
}

void forEachAttachment(const QString& list, const std::function<void(const QString& path)>& visit)
{
    for (const QString& item : attachmentItems(list)) {
        if (safefiles::isRegularFileWithin(item, safefiles::LargestAttachment))
            visit(item);
    }
}

void turnPictureToPage(PictureHolder& holder, bool landscapePage)
{
    const int width = holder.width();
    const int height = holder.height();
    if ((landscapePage && width < height) || (!landscapePage && width > height))
        RotatePictureBox(holder, Rotate270FlipNone);
}

void stretchPicture(QPainter& painter, const QRect& target, const PictureHolder& holder)
{
    if (holder.isEmpty() || target.isEmpty() || !painter.isActive())
        return;
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.drawImage(target, holder.picture(), holder.picture().rect());
    painter.restore();
}

void drawImagePage(QPainter& painter, const QRect& target, PictureHolder& holder, bool landscapePage)
{
    turnPictureToPage(holder, landscapePage);
    stretchPicture(painter, target, holder);
}

void PrintImagePages(const QString& list, Canvas& dc, qint32 height, qint32 width, PictureHolder& holder,
                     qint16 orientationMode)
{
    const QRect target(0, 0, std::max(width, 0), std::max(height, 0));
    forEachAttachment(list, [&](const QString& path) {
        // The page ends only when a file is there to fill the next one; a canvas whose
        // document has not begun yet starts it first, so the image still gets a page of its own.
        dc.begin();
        NEXTPAGE(dc);
        LoadPictureBox(path, holder);
        if (orientationMode == 1 || orientationMode == 2)
            drawImagePage(dc.painter(), target, holder, orientationMode == 2);
        else
            stretchPicture(dc.painter(), target, holder);
    });
}
