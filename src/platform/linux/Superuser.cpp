#include "Superuser.h"

#include <unistd.h>

namespace platform {

bool runsAsSuperuser()
{
    return geteuid() == 0;
}

} // namespace platform
