#pragma once

#include <QImage>
#include <QString>

#include <optional>

// Pictures from files: the background pictures of the program folder and the image files
// a job attaches.
namespace picturefiles {

// Whose file a picture is: the program's own (a background picture), or one a print job
// named, which is read without following symbolic links (see JobFiles::read).
enum class Source
{
    Program,
    Job,
};

// The image in the file at its own pixel size (an orientation tag in the file is not
// applied). BMP, GIF, JPEG, PNG and whatever else the installed decoders read, whatever the
// file's name says. Nothing for a missing file, one that is no regular file or is larger
// than 64 MiB; a null image for one that cannot be decoded (also one too large to hold in
// memory). Transparency is kept. Safe on any thread.
std::optional<QImage> load(const QString& path, Source source);

// The picture turned a quarter counter-clockwise when its orientation does not match the
// page's: higher than wide on a landscape page, wider than high on a portrait page. A
// square picture is never turned; pixels are moved, never resampled.
QImage turnedToPage(const QImage& picture, bool landscapePage);

} // namespace picturefiles
