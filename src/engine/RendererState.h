#pragma once

#include "Canvas.h"

// What the line renderer carries from one PRINTLINE5 call to the next on one canvas.
// Filled in by the renderer.
struct Canvas::RendererState
{
};
