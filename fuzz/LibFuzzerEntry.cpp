#include "FuzzTargets.h"

// One libFuzzer executable per target; CMake names the target's function.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return DRUCKSERVER_FUZZ_ENTRY(data, size);
}
