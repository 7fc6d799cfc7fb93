#include "IpChangeTracker.h"

namespace address {

bool IpChangeTracker::accept(const QString &current)
{
    if (!differs(current))
        return false;
    m_last = current;
    return true;
}

} // namespace address
