#pragma once

#include "engine/Canvas.h"
#include "engine/RendererLine.h"
#include "engine/RendererModes.h"

// What the line renderer carries from one drawn line to the next on one canvas:
// the print modes in force (they span lines, as on the printer) and a line buffer that
// is reused so drawing a page allocates little.
struct Canvas::RendererState
{
    RendererModes modes;
    RendererLine line;
};
