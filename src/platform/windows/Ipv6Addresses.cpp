#include "Ipv6Addresses.h"

#include <vector>

#include <winsock2.h>
#include <ws2tcpip.h>

#include <iphlpapi.h>

namespace platform {

QList<Ipv6InterfaceAddress> queryIpv6Addresses()
{
    QList<Ipv6InterfaceAddress> out;
    const ULONG flags = GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER;
    // Large enough for most machines at the first call; the list may grow
    // between the calls, so the size asked for is tried a few times.
    ULONG size = 16 * 1024;
    std::vector<ULONGLONG> buffer; // aligned for the records
    ULONG result = ERROR_BUFFER_OVERFLOW;
    for (int attempt = 0; attempt < 3 && result == ERROR_BUFFER_OVERFLOW; ++attempt) {
        buffer.assign(size / sizeof(ULONGLONG) + 1, 0);
        size = ULONG(buffer.size() * sizeof(ULONGLONG));
        result =
            ::GetAdaptersAddresses(AF_INET6, flags, nullptr,
                                   reinterpret_cast<IP_ADAPTER_ADDRESSES *>(buffer.data()), &size);
    }
    if (result != NO_ERROR)
        return out;
    for (auto *adapter = reinterpret_cast<const IP_ADAPTER_ADDRESSES *>(buffer.data()); adapter;
         adapter = adapter->Next) {
        for (auto *u = adapter->FirstUnicastAddress; u; u = u->Next) {
            const SOCKADDR *sa = u->Address.lpSockaddr;
            if (!sa || sa->sa_family != AF_INET6 ||
                u->Address.iSockaddrLength < int(sizeof(sockaddr_in6)))
                continue;
            const auto *in6 = reinterpret_cast<const sockaddr_in6 *>(sa);
            // Only a preferred address is one the system sends from; a
            // tentative, duplicate or deprecated one is not.
            out.append({QByteArray(reinterpret_cast<const char *>(&in6->sin6_addr), 16),
                        u->DadState != IpDadStatePreferred});
        }
    }
    return out;
}

} // namespace platform
