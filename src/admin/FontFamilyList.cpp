#include "admin/FontFamilyList.h"

FontFamilyList::FontFamilyList(fonts::Pitch pitch, QWidget* parent) : QComboBox(parent), m_pitch(pitch)
{
    // Wide enough for a stored family with the one drawn in its place.
    setSizeAdjustPolicy(QComboBox::AdjustToContents);
    for (const QString& family :
         pitch == fonts::Pitch::Fixed ? fonts::fixedPitchFamilies() : fonts::variablePitchFamilies())
        addItem(family, family);
    setCurrentIndex(-1);
}

void FontFamilyList::setFamily(const QString& family)
{
    const QString name = family.trimmed();
    if (name.isEmpty()) {
        setCurrentIndex(-1);
        return;
    }
    const int first = m_hasStoredEntry ? 1 : 0;
    for (int i = first; i < count(); ++i) {
        if (itemData(i).toString().compare(name, Qt::CaseInsensitive) == 0) {
            setCurrentIndex(i);
            return;
        }
    }
    const QString shown = fonts::shownName(name, m_pitch);
    if (m_hasStoredEntry) {
        setItemText(0, shown);
        setItemData(0, name);
    } else {
        insertItem(0, shown, name);
        m_hasStoredEntry = true;
    }
    setCurrentIndex(0);
}

QString FontFamilyList::family() const
{
    return currentIndex() < 0 ? QString() : currentData().toString();
}
