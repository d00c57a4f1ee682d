#include "pages/AttachmentPages.h"

#include "engine/Canvas.h"
#include "engine/PrintEngine.h"
#include "pages/Output.h"
#include "pages/PictureFiles.h"

#include <QPainter>

namespace attachmentpages {

void drawAttachment(QPainter& painter, const QRect& target, const QImage& picture, bool landscapePage)
{
    if (picture.isNull() || target.isEmpty() || !painter.isActive())
        return;
    const QImage turned = picturefiles::turnedToPage(picture, landscapePage);
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.drawImage(target, turned, turned.rect());
    painter.restore();
}

void printAttachmentPages(const QStringList& files, Canvas& dc, const QSize& page, bool landscape,
                          OutputProgress& progress)
{
    const QRect target(QPoint(0, 0), page.expandedTo(QSize(0, 0)));
    for (const QString& file : files) {
        // A file gone since the job was read gets no page; one that is no image a blank one.
        const std::optional<QImage> picture = picturefiles::load(file, picturefiles::Source::Job);
        if (!picture)
            continue;
        // A canvas whose document has not begun yet starts it first, so the image still
        // gets a page of its own.
        dc.begin();
        nextPage(dc);
        drawAttachment(dc.painter(), target, *picture, landscape);
        progress.letEventsRun();
    }
}

} // namespace attachmentpages
