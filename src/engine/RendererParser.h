#pragma once

#include "engine/RendererLine.h"
#include "engine/RendererModes.h"

#include <QStringView>

// Interprets one record of a print job: its escape codes and control codes switch the
// print modes, its characters become items on the cell grid.
//
// Records carry parameter bytes of escape sequences as U+F000 + byte (the reader's
// encoding); sequences added by the settings in front of a record carry them as plain
// characters. Both are understood. Unknown sequences are skipped with their parameters;
// nothing in a record makes the parser fail.
namespace renderer {

// Fills `line` from `text`, starting in `modes` and with font `fontName`, and leaves in
// `modes` what is in force after the line. `pitchScale` is SignPitch / 12: cells are a
// tenth of an inch at 12 points.
void parseLine(QStringView text, RendererModes& modes, const QString& fontName, double pitchScale,
               RendererLine& line);

// The right edge of the ink of `text` (inches from the margin, 0 for none) when the line
// is plain text, without escape or control codes: every character then takes one cell of
// the pitch `modes` give, and the modes stay as they are. Returns false for any other
// line, which must go through parseLine. Measuring a long listing is mostly this.
bool plainLineInkEnd(QStringView text, RendererModes& modes, double pitchScale, double& inkEnd);

// The font family ESC k n selects, or an empty string when the typeface number is not
// one this renderer maps (the current font then stays).
QString typefaceFamily(int typeface);

} // namespace renderer
