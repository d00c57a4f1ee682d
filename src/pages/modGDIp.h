#pragma once

#include <QImage>
#include <QString>

#include <optional>

class PictureHolder;

// Picture routines: loading image files and turning pictures by quarter turns.
//
// Qt's image decoders need no library start-up or shutdown and keep no shared state, so
// there is nothing to start around each load or turn and no status to pass through; the
// routines say "nothing" instead. They may run on any thread.

// Rotate-flip types, numbered as the classic Windows imaging enumeration numbers them:
// a clockwise turn by a multiple of 90 degrees, then optionally a mirror left to right.
enum RotateFlipType : int
{
    RotateNoneFlipNone = 0,
    Rotate90FlipNone = 1,
    Rotate180FlipNone = 2,
    Rotate270FlipNone = 3, // a quarter turn counter-clockwise; the only one the pages use
    RotateNoneFlipX = 4,
    Rotate90FlipX = 5,
    Rotate180FlipX = 6,
    Rotate270FlipX = 7,
};

// The image in the file at its own pixel size (an orientation tag in the file is not
// applied, so width and height are those stored). BMP, GIF, JPEG, PNG and whatever else the
// installed decoders read. Nothing for a missing file, one that is no regular file or
// larger than 64 MiB, or one that cannot be decoded, including one too large to hold in
// memory.
std::optional<QImage> LoadPictureGdi(const QString& path);

// A turned (and perhaps mirrored) copy; nothing for an empty picture or an unknown type.
// Pixels are moved, never resampled.
std::optional<QImage> RotatePicture(const QImage& picture, int type);

// Loads the file into the holder; a failed load leaves the holder empty.
void LoadPictureBox(const QString& path, PictureHolder& holder);

// Turns the holder's picture in place; a failed turn (empty holder, unknown type) leaves
// the holder empty.
void RotatePictureBox(PictureHolder& holder, int type);
