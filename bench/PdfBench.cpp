#include "BenchParts.h"

void benchPdf() {}
