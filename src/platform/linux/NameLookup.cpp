#include "NameLookup.h"

#include <cerrno>
#include <cstring>
#include <vector>

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>

namespace platform {

QString firstIpv4Address(const QString &name)
{
    const QByteArray host = name.toLocal8Bit();
    if (host.isEmpty())
        return {};
    // gethostbyname keeps the name service's order of addresses, where
    // getaddrinfo would sort them by its own preferences.
    hostent entry{};
    hostent *result = nullptr;
    int error = 0;
    std::vector<char> buffer(2048);
    while (::gethostbyname_r(host.constData(), &entry, buffer.data(), buffer.size(), &result,
                             &error) == ERANGE &&
           buffer.size() < 1024 * 1024)
        buffer.resize(buffer.size() * 2);
    if (!result || result->h_addrtype != AF_INET || result->h_length != sizeof(in_addr) ||
        !result->h_addr_list || !result->h_addr_list[0])
        return {};
    in_addr address;
    std::memcpy(&address, result->h_addr_list[0], sizeof address);
    char text[INET_ADDRSTRLEN] = {};
    if (!::inet_ntop(AF_INET, &address, text, sizeof text))
        return {};
    return QString::fromLatin1(text);
}

} // namespace platform
