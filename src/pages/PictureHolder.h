#pragma once

#include <QImage>

// The picture box that the picture routines load into and turn in place: it keeps the last
// picture (it may be empty) and measures it in pixels. The print dialog owns one for the
// background picture and one as the work picture of the attachment pages; the holder keeps
// its picture after a routine ends.
class PictureHolder
{
public:
    PictureHolder() = default;
    explicit PictureHolder(QImage picture) { setPicture(std::move(picture)); }

    bool isEmpty() const { return m_picture.isNull(); }
    const QImage& picture() const { return m_picture; }
    // A null image empties the holder.
    void setPicture(QImage picture) { m_picture = std::move(picture); }
    void clear() { m_picture = QImage(); }

    // Size of the picture in pixels; 0 when empty.
    int width() const { return m_picture.width(); }
    int height() const { return m_picture.height(); }

private:
    QImage m_picture;
};
