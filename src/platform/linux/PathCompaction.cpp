#include "PathCompaction.h"

namespace platform {

std::optional<QString> systemCompactedPath(const QString &, int, const FontDescription &)
{
    return std::nullopt;
}

} // namespace platform
