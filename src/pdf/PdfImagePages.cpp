#include "PdfImagePages.h"

#include "Canvas.h"
#include "OutputContext.h"
#include "PdfComponent.h"
#include "PdfPageGeometry.h"
#include "PictureHolder.h"
#include "modAnhang.h"
#include "modGDIp.h"

#include <QRect>

#include <algorithm>

void PdfImagePages(OutputContext& dialog, const QString& list, qint32 height, qint32 width, PictureHolder& holder,
                   bool landscape, PdfComponent& pdf)
{
    const QRect target(0, 0, std::max(width, 0), std::max(height, 0));
    forEachAttachment(list, [&](const QString& path) {
        pdf.endPage();
        const QSize page =
            pdfgeometry::imagePagePixels(landscape, pdf.horizontalResolution(), pdf.verticalResolution());
        pdf.beginPage(page.width(), page.height(), 0);
        Canvas& surface = pdf.surface();
        LoadPictureBox(path, holder);
        drawImagePage(surface.painter(), target, holder, landscape);
        dialog.processEvents();
    });
}
