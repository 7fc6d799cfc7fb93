#include "NetworkChangeWatcher.h"

#include "LogindResume.h"
#include "NetworkState.h"
#include "PluginLoader.h"
#include "RtNetlink.h"

#include <QFileInfo>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <cstring>
#include <optional>

#include <linux/if_link.h>
#include <net/if.h>

namespace platform {

namespace {

using detail::forEachAttribute;
using detail::RtNetlink;
using Interface = NetworkState::Interface;
using Address = NetworkState::Address;
using DefaultRoute = NetworkState::DefaultRoute;

constexpr unsigned kGroups =
    RTMGRP_LINK | RTMGRP_IPV4_IFADDR | RTMGRP_IPV6_IFADDR | RTMGRP_IPV4_ROUTE | RTMGRP_IPV6_ROUTE;

template <typename T> T attributeValue(const void *data, size_t length)
{
    T value{};
    std::memcpy(&value, data, std::min(length, sizeof value));
    return value;
}

std::pair<int, Interface> decodeLink(const nlmsghdr &message)
{
    const auto *info = static_cast<const ifinfomsg *>(NLMSG_DATA(&message));
    Interface link;
    link.up = (info->ifi_flags & IFF_UP) && (info->ifi_flags & IFF_RUNNING);
    link.loopback = info->ifi_flags & IFF_LOOPBACK;
    forEachAttribute(message, sizeof(ifinfomsg), [&](int type, const void *data, size_t length) {
        if (type == IFLA_MASTER)
            link.port = attributeValue<quint32>(data, length) != 0;
        if (type != IFLA_LINKINFO)
            return;
        // The kind ("bridge", "veth", ...) is nested inside the link info.
        int left = int(length);
        for (auto *a = static_cast<const rtattr *>(data); RTA_OK(a, left); a = RTA_NEXT(a, left))
            if (a->rta_type == IFLA_INFO_KIND)
                link.bridge = std::strncmp(static_cast<const char *>(RTA_DATA(a)), "bridge",
                                           RTA_PAYLOAD(a)) == 0;
    });
    return {info->ifi_index, link};
}

// Nothing for an address that does not count: host- or link-scoped, or not
// usable yet (still checked for duplicates) or any more (found a duplicate).
std::optional<Address> decodeAddress(const nlmsghdr &message)
{
    const auto *info = static_cast<const ifaddrmsg *>(NLMSG_DATA(&message));
    quint32 flags = info->ifa_flags;
    std::string local, address;
    forEachAttribute(message, sizeof(ifaddrmsg), [&](int type, const void *data, size_t length) {
        if (type == IFA_FLAGS)
            flags = attributeValue<quint32>(data, length);
        else if (type == IFA_LOCAL)
            local.assign(static_cast<const char *>(data), length);
        else if (type == IFA_ADDRESS)
            address.assign(static_cast<const char *>(data), length);
    });
    if (info->ifa_scope != RT_SCOPE_UNIVERSE || (flags & (IFA_F_TENTATIVE | IFA_F_DADFAILED)))
        return std::nullopt;
    // On a point-to-point link the address is the far end's; ours is local.
    return Address{int(info->ifa_index), local.empty() ? address : local};
}

std::optional<DefaultRoute> decodeRoute(const nlmsghdr &message)
{
    const auto *info = static_cast<const rtmsg *>(NLMSG_DATA(&message));
    if (info->rtm_dst_len != 0 || info->rtm_type != RTN_UNICAST)
        return std::nullopt;
    DefaultRoute route{info->rtm_family, info->rtm_table, 0, {}, 0};
    forEachAttribute(message, sizeof(rtmsg), [&](int type, const void *data, size_t length) {
        if (type == RTA_TABLE)
            route.table = attributeValue<quint32>(data, length);
        else if (type == RTA_OIF)
            route.interfaceIndex = attributeValue<int>(data, length);
        else if (type == RTA_GATEWAY)
            route.gateway.assign(static_cast<const char *>(data), length);
        else if (type == RTA_PRIORITY)
            route.metric = attributeValue<quint32>(data, length);
    });
    // Routes in other tables than the main one count too (a VPN that sends
    // everything through its own table); the local table holds none that
    // leave the machine.
    if (route.table == RT_TABLE_LOCAL)
        return std::nullopt;
    return route;
}

// Asks the kernel for one of its tables whole.
template <typename Header>
bool dump(RtNetlink &netlink, quint16 type, const detail::MessageHandler &onMessage)
{
    struct
    {
        nlmsghdr header;
        Header body;
    } request{};
    request.header.nlmsg_len = NLMSG_LENGTH(sizeof(Header));
    request.header.nlmsg_type = type;
    request.header.nlmsg_flags = NLM_F_DUMP;
    return netlink.request(request.header, onMessage);
}

std::optional<NetworkState> readState(RtNetlink &netlink)
{
    NetworkState state;
    const bool complete =
        dump<ifinfomsg>(netlink, RTM_GETLINK,
                        [&](const nlmsghdr &m) {
                            if (m.nlmsg_type == RTM_NEWLINK)
                                state.interfaces.insert(decodeLink(m));
                        }) &&
        dump<ifaddrmsg>(netlink, RTM_GETADDR,
                        [&](const nlmsghdr &m) {
                            if (const auto a = decodeAddress(m); a && m.nlmsg_type == RTM_NEWADDR)
                                state.addresses.insert(*a);
                        }) &&
        dump<rtmsg>(netlink, RTM_GETROUTE, [&](const nlmsghdr &m) {
            if (const auto r = decodeRoute(m); r && m.nlmsg_type == RTM_NEWROUTE)
                state.defaultRoutes.insert(*r);
        });
    return complete ? std::optional(state) : std::nullopt;
}

// Whether an announcement would change what we know. Most do not (a
// wireless scan result, a lifetime renewed, a route to somewhere), and
// then the tables are not read again.
bool changes(const NetworkState &state, const nlmsghdr &message)
{
    switch (message.nlmsg_type) {
    case RTM_NEWLINK: {
        const auto [index, link] = decodeLink(message);
        const auto known = state.interfaces.find(index);
        return known == state.interfaces.end() || known->second != link;
    }
    case RTM_DELLINK:
        return true;
    case RTM_NEWADDR:
    case RTM_DELADDR: {
        const auto address = decodeAddress(message);
        return address && state.addresses.contains(*address) != (message.nlmsg_type == RTM_NEWADDR);
    }
    case RTM_NEWROUTE:
    case RTM_DELROUTE: {
        const auto route = decodeRoute(message);
        return route &&
               state.defaultRoutes.contains(*route) != (message.nlmsg_type == RTM_NEWROUTE);
    }
    }
    return false;
}

bool hasSystemBus()
{
    return !qEnvironmentVariableIsEmpty("DBUS_SYSTEM_BUS_ADDRESS") ||
           QFileInfo::exists(QStringLiteral("/run/dbus/system_bus_socket")) ||
           QFileInfo::exists(QStringLiteral("/var/run/dbus/system_bus_socket"));
}

} // namespace

struct NetworkChangeWatcher::Private
{
    // Subscribed before the first reading, so that no change falls between.
    RtNetlink announcements{kGroups};
    RtNetlink requests;
    QSocketNotifier *notifier = nullptr;
    NetworkState state;
    QString error;
    std::unique_ptr<ResumeNotifier> resume;

    void readAnnouncements(NetworkChangeWatcher *watcher)
    {
        bool changed = false;
        const bool complete = announcements.takeAnnouncements(
            [&](const nlmsghdr &message) { changed = changed || changes(state, message); });
        if (!changed && complete)
            return;
        const auto now = readState(requests);
        // Unreadable tables: better a refresh too many than a change missed.
        if (!now || mayMovePublicAddress(state, *now))
            emit watcher->networkChanged();
        if (now)
            state = *now;
    }
};

NetworkChangeWatcher::NetworkChangeWatcher(QObject *parent) : QObject(parent), d(new Private)
{
    const int openError = errno;
    std::optional<NetworkState> state;
    if (!d->announcements.isOpen() || !d->requests.isOpen()) {
        d->error = QStringLiteral("The kernel's routing announcements cannot be received: ") +
                   QString::fromLocal8Bit(std::strerror(openError));
    } else if (!(state = readState(d->requests))) {
        d->error = QStringLiteral("The kernel's routing tables cannot be read.");
    } else {
        d->state = *state;
        d->notifier =
            new QSocketNotifier(d->announcements.descriptor(), QSocketNotifier::Read, this);
        connect(d->notifier, &QSocketNotifier::activated, this,
                [this] { d->readAnnouncements(this); });
    }

    // Where there is a system bus, the plug-in that listens to it is loaded
    // once the program has started; a machine without one (a server, a
    // container) never loads it.
    if (hasSystemBus())
        QTimer::singleShot(0, this, [this] {
            QString error;
            auto *factory =
                loadPlugin<ResumeNotifierFactory>(QStringLiteral("quorvel-resume"), &error);
            if (!factory) {
                qWarning("Wake-ups from sleep are not noticed: %s", qPrintable(error));
                return;
            }
            d->resume = factory->watchResume([this] { emit resumed(); });
        });
}

NetworkChangeWatcher::~NetworkChangeWatcher()
{
    delete d->notifier; // before its socket closes
    delete d;
}

QString NetworkChangeWatcher::errorString() const
{
    return d->error;
}

bool NetworkChangeWatcher::hasDefaultRoute() const
{
    return !d->state.defaultRoutes.empty();
}

} // namespace platform
