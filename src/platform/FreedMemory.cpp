#include "platform/FreedMemory.h"

#include <cstdlib> // defines __GLIBC__ where glibc is the C library

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace freedmemory {

void giveBack()
{
#ifdef __GLIBC__
    malloc_trim(0);
#endif
}

void keepLargeBlocksForReuse()
{
#ifdef __GLIBC__
    mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 64 * 1024 * 1024);
#endif
}

} // namespace freedmemory
