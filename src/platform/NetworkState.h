#pragma once

#include <QtGlobal>

#include <compare>
#include <map>
#include <set>
#include <string>

namespace platform {

// What of the machine's own network decides which way its traffic leaves,
// and so which public address the address services see: the interfaces,
// their global addresses and the default routes. Read whole from the
// system after each of its announcements and compared with the previous
// reading, so that an announcement that was lost, merged or repeated (a
// lifetime renewed, a route flushed silently with its interface) still
// gives the right answer.
struct NetworkState
{
    struct Interface
    {
        bool up = false; // switched on and carrying (a carrier, a connection)
        bool loopback = false;
        bool bridge = false;
        // Enslaved to another interface (a bridge port, a bond member): the
        // traffic is the master's.
        bool port = false;
        auto operator<=>(const Interface &) const = default;
    };
    struct Address
    {
        int interfaceIndex = 0;
        std::string bytes; // 4 or 16, network order
        auto operator<=>(const Address &) const = default;
    };
    struct DefaultRoute
    {
        int family = 0;
        quint32 table = 0;
        int interfaceIndex = 0; // 0: several (a multipath route)
        std::string gateway;    // empty for a route straight onto a link
        quint32 metric = 0;
        auto operator<=>(const DefaultRoute &) const = default;
    };

    std::map<int, Interface> interfaces; // by the system's interface index
    // Usable global addresses only: no link-local or host-scoped ones, and
    // none still being checked for duplicates.
    std::set<Address> addresses;
    std::set<DefaultRoute> defaultRoutes;

    bool operator==(const NetworkState &) const = default;
};

// Whether the change from before to after may have moved the public
// address: a default route came, went or changed; a global address came or
// went on an interface that can carry the default route; or such an
// interface came up. An interface can carry it when it is not loopback, not
// a port of another, and, for a bridge, when a default route leaves through
// it now. A link going down is not a reason of its own: what it takes away
// (addresses, routes) is.
bool mayMovePublicAddress(const NetworkState &before, const NetworkState &after);

} // namespace platform
