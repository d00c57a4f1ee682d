#pragma once

#include <QFont>
#include <QString>
#include <QStringList>

// The font families installed on this system and how a family name becomes the font the
// program draws with. The settings window offers fixed-pitch families for the printed
// lines (columns must line up) and every other family for watermarks.
//
// A stored family need not be installed ("Courier New" rarely is here): the system then
// draws its substitute, fontconfig's match for the name ("Liberation Mono"). The line
// renderer, the watermark painter and the font lists all go through fontFor, so what a
// list shows as the substitute is the family the outputs draw.
namespace fonts {

enum class Pitch
{
    Fixed,   // printed lines: a missing family falls back to a fixed-pitch face
    Variable // watermarks: any face
};

// The font for `family` as the program asks for it; size and style are the caller's.
QFont fontFor(const QString& family, Pitch pitch);

// The installed family the system draws for `family`: the family itself when installed,
// else its substitute. Without foundry tag ("Nimbus Mono PS", never "... [urw]").
QString familyInUse(const QString& family, Pitch pitch);

// How a font list shows a stored family: the name itself when it is installed, else the
// name with the family drawn instead, "Courier New (→ Liberation Mono)".
QString shownName(const QString& family, Pitch pitch);

// The installed families of that pitch, each once, by its plain name (no foundry tag),
// in the system's order. Names that only stand for another family ("Monospace") are
// left out.
QStringList fixedPitchFamilies();
QStringList variablePitchFamilies();

} // namespace fonts
