#include "HostName.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace platform {

HostNameResult queryHostName()
{
    // 256 bytes hold the longest name a host may carry (255) plus its NUL.
    char buffer[256];
    std::memset(buffer, 0, sizeof buffer);
    HostNameResult result;
    if (::gethostname(buffer, sizeof buffer) != 0) {
        result.errorCode = errno;
        return result;
    }
    // POSIX leaves termination open when the name was cut; never read past
    // the buffer.
    result.ok = true;
    result.name = QByteArray(buffer, int(::strnlen(buffer, sizeof buffer)));
    return result;
}

std::optional<QList<QStringList>> adapterIpv4Addresses()
{
    return std::nullopt;
}

} // namespace platform
