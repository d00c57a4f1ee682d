#pragma once

#include <QString>

class Canvas;

// Draws the watermark that a definition line describes (see WatermarkDefinition) onto the
// canvas's current page.
//
// The text is centred on the centre of the canvas's drawable area, moved by the offsets
// (tenths of a millimetre, positive to the right and downwards) and turned about its own
// centre by the rotation (tenths of a degree, positive counter-clockwise). Its size is in
// points of the physical page, converted with the canvas's resolution, so the editor, the
// preview, a printer page and a PDF page all show the same watermark. It is drawn in the
// shown colour, opaque, without a background box, and leaves the painter's state as it
// found it. A definition with empty text draws nothing; an unusable line never fails.
void drawWatermark(Canvas& dc, const QString& definition);
