#include "NetlinkMessages.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace platform::detail {

std::optional<bool> readAnswers(const void *data, size_t size, unsigned sequence,
                                const MessageHandler &onMessage)
{
    int left = int(std::min<size_t>(size, INT_MAX));
    for (auto *h = static_cast<const nlmsghdr *>(data); NLMSG_OK(h, left);
         h = NLMSG_NEXT(h, left)) {
        // Announcements (sequence 0) and late answers to an earlier
        // request are not ours.
        if (h->nlmsg_seq != sequence)
            continue;
        if (h->nlmsg_type == NLMSG_DONE)
            return true;
        if (h->nlmsg_type == NLMSG_ERROR)
            return h->nlmsg_len >= NLMSG_LENGTH(sizeof(nlmsgerr)) &&
                   static_cast<const nlmsgerr *>(NLMSG_DATA(h))->error == 0;
        onMessage(*h);
        // A single answer comes without the multi-part flag and without a
        // closing message.
        if (!(h->nlmsg_flags & NLM_F_MULTI))
            return true;
    }
    return std::nullopt;
}

void forEachAttribute(
    const nlmsghdr &message, size_t headerSize,
    const std::function<void(int type, const void *data, size_t length)> &onAttribute)
{
    const size_t start = NLMSG_SPACE(headerSize);
    if (message.nlmsg_len < start)
        return;
    int left = int(message.nlmsg_len - start);
    auto *a = reinterpret_cast<const rtattr *>(reinterpret_cast<const char *>(&message) + start);
    for (; RTA_OK(a, left); a = RTA_NEXT(a, left))
        onAttribute(a->rta_type, RTA_DATA(a), RTA_PAYLOAD(a));
}

std::optional<RouteEntry> routeEntry(const nlmsghdr &message)
{
    if (message.nlmsg_type != RTM_NEWROUTE || message.nlmsg_len < NLMSG_LENGTH(sizeof(rtmsg)))
        return std::nullopt;
    const auto *route = static_cast<const rtmsg *>(NLMSG_DATA(&message));
    RouteEntry r;
    r.type = route->rtm_type;
    r.table = route->rtm_table;
    r.destinationBits = route->rtm_dst_len;
    forEachAttribute(message, sizeof(rtmsg), [&r](int type, const void *data, size_t length) {
        const auto read = [&](auto &value) {
            if (length >= sizeof value)
                std::memcpy(&value, data, sizeof value);
        };
        if (type == RTA_OIF)
            read(r.outputInterface);
        else if (type == RTA_PRIORITY)
            read(r.metric);
        else if (type == RTA_TABLE)
            read(r.table);
        else if (type == RTA_GATEWAY)
            r.viaGateway = true;
        else if (type == RTA_MULTIPATH && r.firstHopInterface == 0 && length >= sizeof(rtnexthop))
            r.firstHopInterface = static_cast<const rtnexthop *>(data)->rtnh_ifindex;
    });
    return r;
}

std::optional<NeighbourEntry> neighbourEntry(const nlmsghdr &message)
{
    if (message.nlmsg_type != RTM_NEWNEIGH || message.nlmsg_len < NLMSG_LENGTH(sizeof(ndmsg)))
        return std::nullopt;
    const auto *entry = static_cast<const ndmsg *>(NLMSG_DATA(&message));
    NeighbourEntry n;
    n.family = entry->ndm_family;
    n.interfaceIndex = entry->ndm_ifindex;
    n.state = entry->ndm_state;
    forEachAttribute(message, sizeof(ndmsg), [&n](int type, const void *data, size_t length) {
        const QByteArray bytes(static_cast<const char *>(data), qsizetype(length));
        if (type == NDA_DST)
            n.destination = bytes;
        else if (type == NDA_LLADDR)
            n.hardwareAddress = bytes;
    });
    return n;
}

std::optional<LinkEntry> linkEntry(const nlmsghdr &message)
{
    if (message.nlmsg_type != RTM_NEWLINK || message.nlmsg_len < NLMSG_LENGTH(sizeof(ifinfomsg)))
        return std::nullopt;
    const auto *info = static_cast<const ifinfomsg *>(NLMSG_DATA(&message));
    LinkEntry link;
    link.index = info->ifi_index;
    link.flags = info->ifi_flags;
    forEachAttribute(message, sizeof(ifinfomsg),
                     [&link](int type, const void *data, size_t length) {
                         if (type == IFLA_ADDRESS)
                             link.hardwareAddress =
                                 QByteArray(static_cast<const char *>(data), qsizetype(length));
                     });
    return link;
}

} // namespace platform::detail
