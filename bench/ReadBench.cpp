#include "BenchParts.h"

void benchRead() {}
