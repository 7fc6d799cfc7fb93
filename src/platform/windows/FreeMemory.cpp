#include "FreeMemory.h"

#include <malloc.h>

namespace platform {

void releaseFreeMemory()
{
    _heapmin();
}

} // namespace platform
