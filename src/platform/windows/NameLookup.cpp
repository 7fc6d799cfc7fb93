#include "NameLookup.h"

#include <cstring>

#include <winsock2.h>

namespace platform {

QString firstIpv4Address(const QString &name)
{
    const QByteArray host = name.toLocal8Bit();
    if (host.isEmpty())
        return {};
    WSADATA data = {};
    if (::WSAStartup(MAKEWORD(1, 1), &data) != 0)
        return {};
    // The sockets layer keeps the entry per thread, so lookups on several
    // threads at once do not disturb one another. It lists the addresses in
    // the name service's order; a dotted address comes back as it is.
    QString address;
    const hostent *entry = ::gethostbyname(host.constData());
    if (entry && entry->h_addrtype == AF_INET && entry->h_length == sizeof(in_addr) &&
        entry->h_addr_list && entry->h_addr_list[0]) {
        in_addr first;
        std::memcpy(&first, entry->h_addr_list[0], sizeof first);
        address = QString::fromLatin1(::inet_ntoa(first));
    }
    ::WSACleanup();
    return address;
}

QString hostNameOfAddress(quint32 address)
{
    WSADATA data = {};
    if (::WSAStartup(MAKEWORD(1, 1), &data) != 0)
        return {};
    const u_long bytes = ::htonl(address);
    const hostent *entry =
        ::gethostbyaddr(reinterpret_cast<const char *>(&bytes), sizeof bytes, AF_INET);
    const QString name = entry && entry->h_name ? QString::fromLocal8Bit(entry->h_name) : QString();
    ::WSACleanup();
    return name;
}

} // namespace platform
