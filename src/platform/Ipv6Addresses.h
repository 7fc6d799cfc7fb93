#pragma once

#include <QByteArray>
#include <QList>

namespace platform {

// One IPv6 address the system holds on one of its interfaces.
struct Ipv6InterfaceAddress
{
    QByteArray address; // 16 bytes, network order
    // The system would not send from it: still being checked for a
    // duplicate, found to be one, or being phased out (a temporary
    // address past its time).
    bool unusable = false;
};

// Every IPv6 unicast address of the machine's interfaces, in the system's
// order. Which of them are worth showing is the caller's rule.
QList<Ipv6InterfaceAddress> queryIpv6Addresses();

} // namespace platform
