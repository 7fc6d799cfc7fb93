#include "AdapterStatusSource.h"

#include "RtNetlink.h"

#include <QHash>

#include <algorithm>

#include <net/if.h>
#include <sys/socket.h>

namespace platform {

namespace {

using Link = detail::LinkEntry;

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
        if (const auto link = detail::linkEntry(m))
            links.append(*link);
    });
    if (!complete)
        return std::nullopt;
    std::sort(links.begin(), links.end(),
              [](const Link &a, const Link &b) { return a.index < b.index; });
    return links;
}

// One reading of the kernel's link table serves the whole listing: a
// table read per adapter made a listing of n links cost n readings, and
// n of them a second each with a thousand links.
class NetlinkAdapterSource : public AdapterStatusSource
{
public:
    std::optional<QList<int>> adapterNumbers() override
    {
        const auto links = readLinks();
        if (!links)
            return std::nullopt;
        m_links.clear();
        QList<int> numbers;
        for (const Link &l : *links) {
            if (l.flags & IFF_LOOPBACK)
                continue;
            numbers.append(l.index);
            m_links.insert(l.index, l.hardwareAddress);
        }
        return numbers;
    }

    bool reset(int adapter) override { return m_links.contains(adapter); }

    std::optional<QByteArray> hardwareAddress(int adapter) override
    {
        const QByteArray address = m_links.value(adapter);
        if (address.size() != 6)
            return std::nullopt;
        return address;
    }

private:
    QHash<int, QByteArray> m_links; // hardware address by adapter
};

} // namespace

std::unique_ptr<AdapterStatusSource> systemAdapterSource()
{
    return std::make_unique<NetlinkAdapterSource>();
}

} // namespace platform
