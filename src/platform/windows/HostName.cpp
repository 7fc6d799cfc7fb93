#include "HostName.h"

#include <cstring>
#include <vector>

// Each of these needs the ones before it.
// clang-format off
#include <winsock2.h>
#include <iphlpapi.h>
// clang-format on

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

std::optional<QList<QStringList>> adapterIpv4Addresses()
{
    QList<QStringList> adapters;
    // Asked twice: for the size the list needs, then with that much room.
    // An adapter that comes in between makes the second call fail, which
    // reads as no list, like every other failure.
    ULONG size = 0;
    if (::GetAdaptersInfo(nullptr, &size) != ERROR_BUFFER_OVERFLOW || size == 0)
        return adapters;
    std::vector<IP_ADAPTER_INFO> buffer(size / sizeof(IP_ADAPTER_INFO) + 1);
    if (::GetAdaptersInfo(buffer.data(), &size) != ERROR_SUCCESS)
        return adapters;
    for (const IP_ADAPTER_INFO *adapter = buffer.data(); adapter; adapter = adapter->Next) {
        QStringList addresses;
        for (const IP_ADDR_STRING *a = &adapter->IpAddressList; a; a = a->Next)
            addresses << QString::fromLatin1(
                a->IpAddress.String,
                qsizetype(::strnlen(a->IpAddress.String, sizeof a->IpAddress.String)));
        adapters << addresses;
    }
    return adapters;
}

} // namespace platform
