#pragma once

#include <QStringList>

// The font families installed on this system, split the way the settings window offers
// them: fixed-pitch families for the printed lines (columns must line up), every other
// family for watermarks. Each family appears once, in the system's order.
namespace fonts {

QStringList fixedPitchFamilies();
QStringList variablePitchFamilies();

} // namespace fonts
