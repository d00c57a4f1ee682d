#pragma once

#include <QRect>
#include <QStringList>

class Canvas;
class OutputProgress;
class QImage;
class QPainter;

// Attachment image pages: after the text pages of an output, every image file the job
// attaches becomes one more page, filled by the image turned to the page. The printer
// output calls printAttachmentPages; the PDF output makes its own pages and draws each
// with drawAttachment, so both place a picture the same way.
namespace attachmentpages {

// Stretches the picture, turned to the page, over the target rectangle. A null picture (a
// file that is gone or no image) draws nothing: the page stays blank.
void drawAttachment(QPainter& painter, const QRect& target, const QImage& picture, bool landscapePage);

// Adds a page to the canvas's document for each of the files (the job's found attachment
// files, in order) that is still there, filled by its picture over (0, 0) to `page` in
// device units. No file adds no page and leaves the current page open.
void printAttachmentPages(const QStringList& files, Canvas& dc, const QSize& page, bool landscape,
                          OutputProgress& progress);

} // namespace attachmentpages
