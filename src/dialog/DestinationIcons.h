#pragma once

#include <QIcon>
#include <QtGlobal>

// The small pictures of the destination list, one per output kind: 2 e-mail (an
// envelope), 3 printer, 4 fax printer (a printer with a handset), 5 PDF document (a page
// with a red band, "PDF" on it). Drawn in code at the size and screen scale asked for, so
// the list needs no image files and stays sharp on a scaled screen. Any other kind gives
// a null icon.
QIcon destinationIcon(qint16 kind);
