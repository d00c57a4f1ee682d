#include "pages/PictureFiles.h"

#include "platform/SafeFiles.h"

#include <QBuffer>
#include <QImageReader>
#include <QTransform>

namespace picturefiles {

std::optional<QImage> load(const QString& path, Source source)
{
    // The reader's own allocation limit bounds what the decoded picture may take.
    const std::optional<QByteArray> bytes =
        safefiles::readRegularFile(path, safefiles::LargestAttachment,
                                   source == Source::Job ? safefiles::Links::Refuse : safefiles::Links::Follow);
    if (!bytes)
        return std::nullopt;
    QBuffer buffer;
    buffer.setData(*bytes);
    QImageReader reader(&buffer);
    reader.setAutoTransform(false);
    reader.setDecideFormatFromContent(true); // a picture named .jpg that is really a PNG still loads
    QImage image = reader.read();
    if (image.isNull())
        return QImage();
    // One pixel format for every source, so turning and drawing never meet an indexed or
    // 1-bit image; transparency shows the page beneath when drawn.
    const QImage::Format format = image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
    return image.format() == format ? image : image.convertToFormat(format);
}

QImage turnedToPage(const QImage& picture, bool landscapePage)
{
    const bool turn =
        (landscapePage && picture.width() < picture.height()) || (!landscapePage && picture.width() > picture.height());
    // QTransform turns clockwise on a y-down image; 270 degrees is a quarter to the left.
    return turn ? picture.transformed(QTransform().rotate(270.0)) : picture;
}

} // namespace picturefiles
