#pragma once

#include <QImage>
#include <QSize>
#include <QWidget>

// A picture control sized in twips (15 to the screen pixel): it shows its picture 1:1 at
// its top left and white everywhere else. The picture is not copied; its owner keeps it
// alive and calls update() after changing it.
class PictureBox : public QWidget
{
public:
    static constexpr int TwipsPerPixel = 15;

    explicit PictureBox(QWidget* parent = nullptr) : QWidget(parent) {}

    QSize twips() const { return m_twips; }
    // Resizes the control to the nearest whole pixels of that size.
    void setTwips(const QSize& twips);
    void setPicture(const QImage* picture) { m_picture = picture; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QSize m_twips;
    const QImage* m_picture = nullptr;
};
