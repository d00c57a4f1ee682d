#include "FreedMemory.h"

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
