#include "modGDIp.h"

#include "PictureHolder.h"
#include "SafeFiles.h"

#include <QBuffer>
#include <QImageReader>
#include <QTransform>

std::optional<QImage> LoadPictureGdi(const QString& path)
{
    // A picture is read only from a regular file of bounded size; the reader's own
    // allocation limit bounds what the decoded picture may take.
    const std::optional<QByteArray> bytes = safefiles::readRegularFile(path, safefiles::LargestAttachment);
    if (!bytes)
        return std::nullopt;
    QBuffer buffer;
    buffer.setData(*bytes);
    QImageReader reader(&buffer);
    reader.setAutoTransform(false);
    reader.setDecideFormatFromContent(true); // a picture named .jpg that is really a PNG still loads
    QImage image = reader.read();
    if (image.isNull())
        return std::nullopt;

    // One pixel format for every source, so turning and drawing never meet an indexed or
    // 1-bit image; transparency is kept and shows the page beneath when drawn.
    const QImage::Format format = image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
    if (image.format() != format)
        image = image.convertToFormat(format);
    if (image.isNull())
        return std::nullopt;
    return image;
}

std::optional<QImage> RotatePicture(const QImage& picture, int type)
{
    if (picture.isNull() || type < RotateNoneFlipNone || type > Rotate270FlipX)
        return std::nullopt;

    // Turn first, then mirror, as the type names say. QTransform turns clockwise on a
    // y-down image, and multiples of 90 degrees are moved pixel by pixel.
    const int quarterTurns = type % 4;
    QImage turned = quarterTurns == 0 ? picture : picture.transformed(QTransform().rotate(90.0 * quarterTurns));
    if (type >= RotateNoneFlipX)
        turned = turned.mirrored(true, false);
    if (turned.isNull())
        return std::nullopt;
    return turned;
}

void LoadPictureBox(const QString& path, PictureHolder& holder)
{
    holder.setPicture(LoadPictureGdi(path).value_or(QImage()));
}

void RotatePictureBox(PictureHolder& holder, int type)
{
    holder.setPicture(RotatePicture(holder.picture(), type).value_or(QImage()));
}
