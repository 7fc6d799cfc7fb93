#include "ArpQuery.h"

#include "RtNetlink.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include <arpa/inet.h>
#include <linux/neighbour.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace platform {

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// Neighbour states in which the kernel holds an address it believes.
constexpr unsigned kKnownStates = NUD_REACHABLE | NUD_STALE | NUD_DELAY | NUD_PROBE | NUD_PERMANENT;
// The resolution has ended without an address; NOARP links have none.
constexpr unsigned kFailedStates = NUD_FAILED | NUD_NOARP;
// The datagram that starts a resolution goes to the discard service: it
// asks nothing of the target and nothing needs to listen there.
constexpr quint16 kDiscardPort = 9;
// How long to wait for an announcement before looking at the table again,
// in case announcements were lost.
constexpr auto kRecheckInterval = 250ms;

using Neighbour = detail::NeighbourEntry;

// The interface through which target is reached directly, or 0 when it is
// not on a directly attached network.
int directInterface(detail::RtNetlink &netlink, quint32 target)
{
    struct
    {
        nlmsghdr header;
        rtmsg route;
        char attributes[32];
    } request{};
    request.header.nlmsg_len = NLMSG_LENGTH(sizeof(rtmsg));
    request.header.nlmsg_type = RTM_GETROUTE;
    request.route.rtm_family = AF_INET;
    request.route.rtm_dst_len = 32;
    detail::appendAttribute(request.header, sizeof request, RTA_DST, &target, sizeof target);

    int ifindex = 0;
    bool direct = false;
    netlink.request(request.header, [&](const nlmsghdr &m) {
        if (const auto route = detail::routeEntry(m)) {
            direct = route->type == RTN_UNICAST && !route->viaGateway;
            ifindex = route->outputInterface;
        }
    });
    return direct ? ifindex : 0;
}

// The entry for target on that interface, when the message is one.
std::optional<Neighbour> neighbourIn(const nlmsghdr &m, quint32 target, int ifindex)
{
    const auto entry = detail::neighbourEntry(m);
    if (!entry || entry->family != AF_INET || entry->interfaceIndex != ifindex ||
        entry->destination !=
            QByteArrayView(reinterpret_cast<const char *>(&target), sizeof target))
        return std::nullopt;
    return entry;
}

std::optional<Neighbour> readNeighbour(detail::RtNetlink &netlink, quint32 target, int ifindex)
{
    struct
    {
        nlmsghdr header;
        ndmsg neighbour;
    } request{};
    request.header.nlmsg_len = NLMSG_LENGTH(sizeof(ndmsg));
    request.header.nlmsg_type = RTM_GETNEIGH;
    request.header.nlmsg_flags = NLM_F_DUMP;
    request.neighbour.ndm_family = AF_INET;
    std::optional<Neighbour> found;
    netlink.request(request.header, [&](const nlmsghdr &m) {
        if (auto n = neighbourIn(m, target, ifindex))
            found = n;
    });
    return found;
}

// A final answer from an entry, or nullopt while the resolution runs.
std::optional<ArpReply> answerFrom(const Neighbour &n)
{
    if ((n.state & kKnownStates) && !n.hardwareAddress.isEmpty())
        return ArpReply{true, n.hardwareAddress};
    if (n.state & kFailedStates)
        return ArpReply{};
    return std::nullopt;
}

// Sending anything to the target makes the kernel resolve its address
// first; an empty datagram is the least that does.
bool startResolution(quint32 target)
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(kDiscardPort);
    to.sin_addr.s_addr = target;
    const char nothing = 0;
    const bool sent = ::sendto(fd, &nothing, 0, MSG_DONTWAIT,
                               reinterpret_cast<const sockaddr *>(&to), sizeof to) == 0;
    ::close(fd);
    return sent;
}

} // namespace

quint32 ipv4FromText(const QString &text)
{
    return ::inet_addr(text.toLocal8Bit().constData());
}

ArpReply queryHardwareAddress(quint32 target, std::chrono::milliseconds timeout)
{
    const auto deadline = Clock::now() + timeout;
    detail::RtNetlink requests;
    // Joined before the datagram goes out, so that no change is missed.
    detail::RtNetlink announcements(RTMGRP_NEIGH);
    const int ifindex = directInterface(requests, target);
    if (ifindex <= 0)
        return {};
    // A valid entry answers at once. A failed one is not the answer yet:
    // the datagram below starts a new resolution.
    if (const auto known = readNeighbour(requests, target, ifindex)) {
        const auto answer = answerFrom(*known);
        if (answer && answer->ok)
            return *answer;
    }
    if (!startResolution(target))
        return {};
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left <= 0ms)
            return {};
        std::optional<ArpReply> answer;
        announcements.readAnnouncements(std::min(left, kRecheckInterval), [&](const nlmsghdr &m) {
            if (const auto n = neighbourIn(m, target, ifindex); n && !answer)
                answer = answerFrom(*n);
        });
        if (!answer)
            if (const auto n = readNeighbour(requests, target, ifindex))
                answer = answerFrom(*n);
        if (answer)
            return *answer;
    }
}

} // namespace platform
