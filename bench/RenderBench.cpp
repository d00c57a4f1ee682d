#include "BenchParts.h"

void benchRender() {}
