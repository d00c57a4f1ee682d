#pragma once

#include <QIcon>
#include <QtGlobal>

// The small pictures of the destination list, one per output kind: 2 e-mail (an
// envelope), 3 printer, 4 fax printer (a printer with a handset), 5 PDF document (a page
// with a red band). Drawn in code so the list needs no image files. Any other kind gives
// a null icon.
QIcon destinationIcon(qint16 kind);
