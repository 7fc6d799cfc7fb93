#include "FreeMemory.h"

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace platform {

void releaseFreeMemory()
{
#ifdef __GLIBC__
    // Not only the top of the heap: every arena's free pages.
    malloc_trim(0);
#endif
}

} // namespace platform
