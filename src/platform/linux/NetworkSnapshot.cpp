#include "ConnectionState.h"

#include "NetlinkMessages.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>

#include <arpa/inet.h>
#include <cstring>
#include <ifaddrs.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <net/if.h>
#include <net/if_arp.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

namespace platform {

namespace {

// Raw-IP links of mobile broadband modems; older C library headers lack it.
constexpr int kArpRawIp = 519;

bool isModemLike(const QString &name)
{
    const QString dir = QStringLiteral("/sys/class/net/") + name;
    QFile type(dir + QStringLiteral("/type"));
    if (type.open(QIODevice::ReadOnly)) {
        const int arpType = type.readAll().trimmed().toInt();
        if (arpType == ARPHRD_PPP || arpType == ARPHRD_NONE || arpType == kArpRawIp)
            return true;
    }
    QFile uevent(dir + QStringLiteral("/uevent"));
    return uevent.open(QIODevice::ReadOnly) && uevent.readAll().contains("DEVTYPE=wwan");
}

bool isGlobalIpv6(const in6_addr &a)
{
    return !IN6_IS_ADDR_LINKLOCAL(&a) && !IN6_IS_ADDR_LOOPBACK(&a) && !IN6_IS_ADDR_SITELOCAL(&a) &&
           !IN6_IS_ADDR_UNSPECIFIED(&a) && !IN6_IS_ADDR_MULTICAST(&a);
}

QList<NetworkSnapshot::Interface> readInterfaces()
{
    QList<NetworkSnapshot::Interface> out;
    ifaddrs *list = nullptr;
    if (::getifaddrs(&list) != 0)
        return out;
    for (ifaddrs *a = list; a; a = a->ifa_next) {
        const QString name = QString::fromLocal8Bit(a->ifa_name);
        auto it = std::find_if(out.begin(), out.end(), [&](auto &i) { return i.name == name; });
        if (it == out.end()) {
            NetworkSnapshot::Interface i;
            i.name = name;
            i.up = a->ifa_flags & IFF_UP;
            i.running = a->ifa_flags & IFF_RUNNING;
            i.loopback = a->ifa_flags & IFF_LOOPBACK;
            i.modemLike = isModemLike(name);
            out.append(i);
            it = out.end() - 1;
        }
        if (!a->ifa_addr)
            continue;
        if (a->ifa_addr->sa_family == AF_INET)
            it->hasIpv4 = true;
        else if (a->ifa_addr->sa_family == AF_INET6 &&
                 isGlobalIpv6(reinterpret_cast<const sockaddr_in6 *>(a->ifa_addr)->sin6_addr))
            it->hasGlobalIpv6 = true;
    }
    ::freeifaddrs(list);
    return out;
}

// The default routes of the main table, IPv4 and IPv6, from the kernel's
// routing table over rtnetlink.
QList<NetworkSnapshot::DefaultRoute> readDefaultRoutes()
{
    QList<NetworkSnapshot::DefaultRoute> out;
    const int fd = ::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE);
    if (fd < 0)
        return out;
    // The kernel answers a dump at once; the bound only guards against a
    // kernel that never does.
    timeval timeout{1, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);

    struct
    {
        nlmsghdr header;
        rtmsg route;
    } request{};
    request.header.nlmsg_len = sizeof request;
    request.header.nlmsg_type = RTM_GETROUTE;
    request.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
    request.header.nlmsg_seq = 1;
    request.route.rtm_family = AF_UNSPEC;
    if (::send(fd, &request, sizeof request, 0) < 0) {
        ::close(fd);
        return out;
    }

    alignas(nlmsghdr) char buffer[16384];
    bool done = false;
    while (!done) {
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0)
            break;
        int left = int(n);
        for (auto *h = reinterpret_cast<nlmsghdr *>(buffer); NLMSG_OK(h, left);
             h = NLMSG_NEXT(h, left)) {
            if (h->nlmsg_type == NLMSG_DONE || h->nlmsg_type == NLMSG_ERROR) {
                done = true;
                break;
            }
            const auto route = detail::routeEntry(*h);
            if (!route || route->destinationBits != 0 || route->type != RTN_UNICAST)
                continue;
            const int ifindex =
                route->outputInterface ? route->outputInterface : route->firstHopInterface;
            char name[IF_NAMESIZE] = {};
            if (route->table == RT_TABLE_MAIN && ifindex > 0 &&
                ::if_indextoname(unsigned(ifindex), name))
                out.append({QString::fromLocal8Bit(name), route->metric});
        }
    }
    ::close(fd);
    return out;
}

} // namespace

NetworkSnapshot takeNetworkSnapshot()
{
    NetworkSnapshot s;
    s.interfaces = readInterfaces();
    s.defaultRoutes = readDefaultRoutes();
    for (const char *name :
         {"http_proxy", "https_proxy", "all_proxy", "HTTP_PROXY", "HTTPS_PROXY", "ALL_PROXY"})
        s.proxyValues << QString::fromLocal8Bit(qgetenv(name));
    s.dialUpInstalled = QFileInfo::exists(QStringLiteral("/usr/sbin/pppd")) ||
                        QFileInfo::exists(QStringLiteral("/sbin/pppd"));
    return s;
}

ConnectionState queryConnectionState()
{
    return connectionStateOf(takeNetworkSnapshot());
}

} // namespace platform
