#pragma once

#include "platform/FontFamilies.h"

#include <QComboBox>

// A list of the installed font families of one pitch, each by its plain name. A stored
// family that is not installed is shown at the top with the family drawn in its place,
// "Courier New (→ Liberation Mono)", and stays what is stored: family() gives the name
// without the substitute, so saving never writes the display text.
class FontFamilyList : public QComboBox
{
    Q_OBJECT

public:
    FontFamilyList(fonts::Pitch pitch, QWidget* parent = nullptr);

    // Chooses `family`. One that is not in the list takes the entry at the top, replacing
    // the one an earlier call put there; an empty name chooses nothing.
    void setFamily(const QString& family);
    // The family chosen, as stored; empty when nothing is chosen.
    QString family() const;

private:
    fonts::Pitch m_pitch;
    bool m_hasStoredEntry = false; // the top entry holds a family that is not installed
};
