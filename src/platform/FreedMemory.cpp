#include "FreedMemory.h"

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

} // namespace freedmemory
