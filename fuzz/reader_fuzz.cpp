#include "ReaderFuzzTarget.h"

// libFuzzer entry for the print-file reader; the seeds in seeds/reader are replayed by the
// engine tests through the same function.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return readerFuzzOne(data, size);
}
