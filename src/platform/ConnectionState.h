#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace platform {

// How the machine reaches the Internet, in the flag word that the network
// tools and the mail client share.
namespace connection {
inline constexpr quint32 Modem = 0x01;
inline constexpr quint32 Lan = 0x02;
inline constexpr quint32 Proxy = 0x04;
inline constexpr quint32 ModemBusy = 0x08;
inline constexpr quint32 RasInstalled = 0x10;
inline constexpr quint32 Offline = 0x20;
inline constexpr quint32 Configured = 0x40;
} // namespace connection

struct ConnectionState
{
    bool online = false;
    quint32 flags = 0;
};

// What the connection state is decided from, read from the system in one go.
struct NetworkSnapshot
{
    struct Interface
    {
        QString name;
        bool up = false;
        bool running = false;
        bool loopback = false;
        // Point-to-point links that carry IP without Ethernet framing: PPP,
        // raw-IP and mobile broadband (wwan) devices.
        bool modemLike = false;
        bool hasIpv4 = false;
        bool hasGlobalIpv6 = false;
    };
    struct DefaultRoute
    {
        QString interfaceName;
        quint32 metric = 0;
    };

    QList<Interface> interfaces;
    QList<DefaultRoute> defaultRoutes; // IPv4 and IPv6
    QStringList proxyValues;           // http_proxy, https_proxy, all_proxy in either case
    bool dialUpInstalled = false;      // a PPP daemon is installed
};

// The rule, without any I/O, for systems that have no connection service
// of their own (Linux): online when a default route leaves through a
// non-loopback interface that is up and running (the lowest metric decides
// which); that interface makes it a modem or a LAN connection; no such route
// is offline. A proxy variable set, a PPP daemon installed and a configured
// non-loopback interface add their flags.
ConnectionState connectionStateOf(const NetworkSnapshot &snapshot);

// Reads the system's interfaces, default routes and proxy settings now (not
// on Windows, which answers the question itself). No traffic is sent; it only
// asks the kernel, so it returns at once.
NetworkSnapshot takeNetworkSnapshot();

// The answer of a system's connection service (Windows: whether it reports
// a connection, and the flag word it fills in whatever it reports). Flags
// this program has no name for are dropped.
ConnectionState connectionStateFromService(bool connected, quint32 flags);

// How the machine is connected now. Returns at once.
ConnectionState queryConnectionState();

} // namespace platform
