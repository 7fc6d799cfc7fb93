#include "Ipv6Addresses.h"

#include "RtNetlink.h"

#include <cstring>

#include <sys/socket.h>

namespace platform {

QList<Ipv6InterfaceAddress> queryIpv6Addresses()
{
    QList<Ipv6InterfaceAddress> out;
    detail::RtNetlink netlink;
    if (!netlink.isOpen())
        return out;
    struct
    {
        nlmsghdr header;
        ifaddrmsg address;
    } request{};
    request.header.nlmsg_len = NLMSG_LENGTH(sizeof(ifaddrmsg));
    request.header.nlmsg_type = RTM_GETADDR;
    request.header.nlmsg_flags = NLM_F_DUMP;
    request.address.ifa_family = AF_INET6;
    netlink.request(request.header, [&](const nlmsghdr &m) {
        if (m.nlmsg_type != RTM_NEWADDR || m.nlmsg_len < NLMSG_LENGTH(sizeof(ifaddrmsg)))
            return;
        const auto *header = static_cast<const ifaddrmsg *>(NLMSG_DATA(&m));
        if (header->ifa_family != AF_INET6)
            return;
        // The eight flag bits of the header, or all of them when the kernel
        // sends the wider attribute.
        quint32 flags = header->ifa_flags;
        QByteArray address, local;
        detail::forEachAttribute(m, sizeof(ifaddrmsg), [&](int type, const void *data, size_t n) {
            if (type == IFA_FLAGS && n >= sizeof flags)
                std::memcpy(&flags, data, sizeof flags);
            else if (type == IFA_ADDRESS && n == 16)
                address = QByteArray(static_cast<const char *>(data), 16);
            else if (type == IFA_LOCAL && n == 16)
                local = QByteArray(static_cast<const char *>(data), 16);
        });
        // On a point-to-point link IFA_ADDRESS is the other end.
        if (!local.isEmpty())
            address = local;
        if (address.size() == 16)
            out.append(
                {address, (flags & (IFA_F_TENTATIVE | IFA_F_DADFAILED | IFA_F_DEPRECATED)) != 0});
    });
    return out;
}

} // namespace platform
