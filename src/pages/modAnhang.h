#pragma once

#include <QRect>
#include <QString>
#include <QStringList>

#include <functional>

class Canvas;
class PictureHolder;
class QPainter;

// Attachment image pages: after the text pages of an output, every image file that the
// job's attachment list names and that exists becomes one more page, filled by the image.
// The printer output calls PrintImagePages; the PDF output builds its own pages and reuses
// forEachAttachment and drawImagePage, so both outputs walk the list and place a picture
// the same way.

// The items of an attachment list in order: the text before each "," with blanks around it
// removed. A list ending with "," has no empty last item; an empty item between two ","
// is kept (it names no file).
QStringList attachmentItems(const QString& list);

// Calls visit(path) for every item of the list that names an existing regular file of at
// most 64 MiB, in list order. Missing files, folders, devices, FIFOs, larger files and
// empty items are skipped without a word.
void forEachAttachment(const QString& list, const std::function<void(const QString& path)>& visit);

// Turns the holder's picture by a quarter turn counter-clockwise when its orientation does
// not match the page's: a picture higher than wide on a landscape page, wider than high on a
// portrait page. A square picture is never turned.
void turnPictureToPage(PictureHolder& holder, bool landscapePage);

// Stretches the whole picture over the target rectangle of the painter. An empty holder
// draws nothing, so the page stays blank.
void stretchPicture(QPainter& painter, const QRect& target, const PictureHolder& holder);

// One image page: turnPictureToPage, then stretchPicture. The holder keeps the turned picture.
void drawImagePage(QPainter& painter, const QRect& target, PictureHolder& holder, bool landscapePage);

// Adds a page for each existing file of the list to the canvas's document: begins the next
// page, loads the file into the holder, turns it to the page (orientationMode 1 portrait,
// 2 landscape; any other mode never turns) and stretches it over (0, 0, width, height) in
// device units. A file that exists but cannot be decoded gives a blank page. An empty list
// adds no page and leaves the current page open.
void PrintImagePages(const QString& list, Canvas& dc, qint32 height, qint32 width, PictureHolder& holder,
                     qint16 orientationMode);
