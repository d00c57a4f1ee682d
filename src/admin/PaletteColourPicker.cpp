#include "admin/PaletteColourPicker.h"

#include "engine/WatermarkDefinition.h"

#include <QGridLayout>
#include <QPainter>
#include <QPixmap>
#include <QToolButton>

namespace {

QIcon swatchIcon(const QColor& colour)
{
    QPixmap pixmap(14, 14);
    pixmap.fill(colour);
    QPainter p(&pixmap);
    p.setPen(QColor(90, 90, 90));
    p.drawRect(0, 0, 13, 13);
    p.end();
    // A disabled picker still shows which colour a definition has.
    QIcon icon(pixmap);
    icon.addPixmap(pixmap, QIcon::Disabled);
    return icon;
}

} // namespace

PaletteColourPicker::PaletteColourPicker(QWidget* parent) : QWidget(parent)
{
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(1);
    for (int i = 0; i < 16; ++i) {
        auto* swatch = new QToolButton(this);
        swatch->setObjectName(QStringLiteral("colour%1").arg(i));
        swatch->setIcon(swatchIcon(WatermarkDefinition::paletteColour(i)));
        swatch->setIconSize(QSize(14, 14));
        swatch->setCheckable(true);
        swatch->setAutoRaise(true);
        swatch->setFocusPolicy(Qt::NoFocus);
        grid->addWidget(swatch, i / 8, i % 8);
        connect(swatch, &QToolButton::clicked, this, [this, i] { setColourIndex(i); });
        m_swatches[size_t(i)] = swatch;
    }
    m_swatches[0]->setChecked(true);
}

void PaletteColourPicker::setColourIndex(int index)
{
    if (index < 0 || index >= int(m_swatches.size()))
        return;
    // A click on the swatch already chosen would uncheck it; it stays chosen.
    for (size_t i = 0; i < m_swatches.size(); ++i)
        m_swatches[i]->setChecked(int(i) == index);
    if (index == m_index)
        return;
    m_index = index;
    emit colourIndexChanged(index);
}
