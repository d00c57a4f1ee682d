#pragma once

#include <QWidget>

#include <array>

class QToolButton;

// A picker of the 16 palette colours of the watermark definitions, two rows of eight
// swatches. Its value is the colour index 0 to 15; choosing a swatch, or setting another
// index, reports the change once.
class PaletteColourPicker : public QWidget
{
    Q_OBJECT

public:
    explicit PaletteColourPicker(QWidget* parent = nullptr);

    int colourIndex() const { return m_index; }
    // An index outside 0 to 15 is refused.
    void setColourIndex(int index);

signals:
    void colourIndexChanged(int index);

private:
    std::array<QToolButton*, 16> m_swatches{};
    int m_index = 0;
};
