#include "NameLookup.h"

#include <cerrno>
#include <cstring>
#include <vector>

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>

namespace platform {

namespace {

// Calls a reentrant host-entry lookup, growing its buffer until the entry
// fits; null when there is no entry.
template <class Lookup>
const hostent *lookUpEntry(hostent &entry, std::vector<char> &buffer, Lookup lookup)
{
    hostent *result = nullptr;
    int error = 0;
    buffer.resize(2048);
    while (lookup(&entry, buffer.data(), buffer.size(), &result, &error) == ERANGE &&
           buffer.size() < 1024 * 1024)
        buffer.resize(buffer.size() * 2);
    return result;
}

} // namespace

QString firstIpv4Address(const QString &name)
{
    const QByteArray host = name.toLocal8Bit();
    if (host.isEmpty())
        return {};
    // gethostbyname keeps the name service's order of addresses, where
    // getaddrinfo would sort them by its own preferences.
    hostent entry{};
    std::vector<char> buffer;
    const hostent *result = lookUpEntry(
        entry, buffer, [&](auto... rest) { return ::gethostbyname_r(host.constData(), rest...); });
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

QString hostNameOfAddress(quint32 address)
{
    const in_addr bytes{htonl(address)};
    hostent entry{};
    std::vector<char> buffer;
    const hostent *result = lookUpEntry(entry, buffer, [&](auto... rest) {
        return ::gethostbyaddr_r(&bytes, sizeof bytes, AF_INET, rest...);
    });
    return result && result->h_name ? QString::fromLocal8Bit(result->h_name) : QString();
}

} // namespace platform
