#include "AdapterStatusSource.h"

#include "RtNetlink.h"

#include <algorithm>

#include <net/if.h>
#include <sys/socket.h>

namespace platform {

namespace {

struct Link
{
    int index = 0;
    unsigned flags = 0;
    QByteArray hardwareAddress;
};

// Every link the kernel knows, by interface index; nullopt when it could
// not be asked.
std::optional<QList<Link>> readLinks()
{
    detail::RtNetlink netlink;
    struct
    {
        nlmsghdr header;
        ifinfomsg link;
    } request{};
    request.header.nlmsg_len = NLMSG_LENGTH(sizeof(ifinfomsg));
    request.header.nlmsg_type = RTM_GETLINK;
    request.header.nlmsg_flags = NLM_F_DUMP;
    request.link.ifi_family = AF_UNSPEC;

    QList<Link> links;
    const bool complete = netlink.request(request.header, [&links](const nlmsghdr &m) {
        if (m.nlmsg_type != RTM_NEWLINK || m.nlmsg_len < NLMSG_LENGTH(sizeof(ifinfomsg)))
            return;
        const auto *info = static_cast<const ifinfomsg *>(NLMSG_DATA(&m));
        Link link{info->ifi_index, info->ifi_flags, {}};
        detail::forEachAttribute(
            m, sizeof(ifinfomsg), [&link](int type, const void *data, size_t length) {
                if (type == IFLA_ADDRESS)
                    link.hardwareAddress = QByteArray(static_cast<const char *>(data), int(length));
            });
        links.append(link);
    });
    if (!complete)
        return std::nullopt;
    std::sort(links.begin(), links.end(),
              [](const Link &a, const Link &b) { return a.index < b.index; });
    return links;
}

std::optional<Link> readLink(int index)
{
    const auto links = readLinks();
    if (!links)
        return std::nullopt;
    for (const Link &l : *links)
        if (l.index == index)
            return l;
    return std::nullopt;
}

// Asks the kernel afresh at every step, so that an adapter that goes away
// in the middle of a listing shows as one without an address.
class NetlinkAdapterSource : public AdapterStatusSource
{
public:
    std::optional<QList<int>> adapterNumbers() override
    {
        const auto links = readLinks();
        if (!links)
            return std::nullopt;
        QList<int> numbers;
        for (const Link &l : *links)
            if (!(l.flags & IFF_LOOPBACK))
                numbers.append(l.index);
        return numbers;
    }

    bool reset(int adapter) override { return readLink(adapter).has_value(); }

    std::optional<QByteArray> hardwareAddress(int adapter) override
    {
        const auto link = readLink(adapter);
        if (!link || link->hardwareAddress.size() != 6)
            return std::nullopt;
        return link->hardwareAddress;
    }
};

} // namespace

std::unique_ptr<AdapterStatusSource> systemAdapterSource()
{
    return std::make_unique<NetlinkAdapterSource>();
}

} // namespace platform
