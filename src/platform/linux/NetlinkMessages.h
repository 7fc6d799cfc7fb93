#pragma once

#include <QByteArray>

#include <cstddef>
#include <functional>
#include <optional>

#include <linux/netlink.h>
#include <linux/rtnetlink.h>

// The kernel's routing messages as they lie in a read, decoded without the
// socket: nothing here trusts a length field beyond the bytes it covers.
namespace platform::detail {

using MessageHandler = std::function<void(const nlmsghdr &message)>;

// The answers to the request numbered sequence in one read (size bytes at
// data, aligned for a nlmsghdr): each message that answers it goes to
// onMessage. true: the kernel has said all; false: it refused the request;
// nullopt: more is to come. Announcements and answers to other requests
// are passed over.
std::optional<bool> readAnswers(const void *data, size_t size, unsigned sequence,
                                const MessageHandler &onMessage);

// Calls onAttribute(type, data, length) for each attribute of a message
// whose fixed header (ifinfomsg, rtmsg, ndmsg, ...) is headerSize long.
void forEachAttribute(
    const nlmsghdr &message, size_t headerSize,
    const std::function<void(int type, const void *data, size_t length)> &onAttribute);

// A route (RTM_NEWROUTE).
struct RouteEntry
{
    int type = 0;              // RTN_UNICAST, RTN_UNREACHABLE, ...
    unsigned table = 0;        // RT_TABLE_MAIN, ...
    int destinationBits = 0;   // 0: a default route
    int outputInterface = 0;   // 0: none named
    int firstHopInterface = 0; // a multipath route's first next hop
    quint32 metric = 0;
    bool viaGateway = false;
};
std::optional<RouteEntry> routeEntry(const nlmsghdr &message);

// A neighbour table entry (RTM_NEWNEIGH).
struct NeighbourEntry
{
    int family = 0;
    int interfaceIndex = 0;
    unsigned state = 0; // NUD_*
    QByteArray destination;
    QByteArray hardwareAddress;
};
std::optional<NeighbourEntry> neighbourEntry(const nlmsghdr &message);

// A link (RTM_NEWLINK).
struct LinkEntry
{
    int index = 0;
    unsigned flags = 0; // IFF_*
    QByteArray hardwareAddress;
};
std::optional<LinkEntry> linkEntry(const nlmsghdr &message);

} // namespace platform::detail
