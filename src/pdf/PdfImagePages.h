#pragma once

#include <QString>
#include <QtGlobal>

class OutputContext;
class PdfComponent;
class PictureHolder;

// Attachment image pages of a PDF document. For every item of the attachment list that
// names an existing file, in list order: the page open in the component is ended, a new
// A4 page of the job's orientation is begun at the resolution the component holds, the
// file is loaded into the holder, turned by a quarter turn when its orientation differs
// from the page's (a square picture never is), and stretched over (0, 0, width, height)
// of the page. A file that cannot be decoded still gets its page, left blank.
//
// The last page added stays open, as does the open text page when the list names no
// existing file: the caller ends it. `dialog` only gets the chance to let pending
// window messages run between pages.
void PdfImagePages(OutputContext& dialog, const QString& list, qint32 height, qint32 width, PictureHolder& holder,
                   bool landscape, PdfComponent& pdf);
