#include "HostName.h"

#include <cstring>

#include <winsock2.h>

namespace platform {

HostNameResult queryHostName()
{
    HostNameResult result;
    // The sockets layer is started around this one question and shut down
    // again, so that nothing of it outlives the call.
    WSADATA data = {};
    result.startup.result = ::WSAStartup(MAKEWORD(1, 1), &data);
    if (result.startup.result != 0)
        return result;
    result.startup.version = data.wVersion;
    result.startup.maxSockets = qint16(data.iMaxSockets);
    if (socketsProblem(result.startup) == SocketsProblem::None) {
        // 256 bytes hold the longest name a host may carry (255) plus its NUL.
        char buffer[256] = {};
        if (::gethostname(buffer, sizeof buffer) == SOCKET_ERROR) {
            result.errorCode = ::WSAGetLastError();
        } else {
            result.ok = true;
            result.name = QByteArray(buffer, int(::strnlen(buffer, sizeof buffer)));
        }
    }
    result.cleanupFailed = ::WSACleanup() != 0;
    return result;
}

} // namespace platform
