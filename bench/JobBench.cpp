#include "BenchParts.h"

void benchJob() {}
