#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace platform {
struct HostNameResult;
struct Ipv6InterfaceAddress;
struct SocketsStartup;
} // namespace platform

namespace address {

// The host name as the system reports it, or "" when it cannot be had. The
// texts the user must see (a sockets layer that failed, a refused query)
// are appended to messages.
QString localHostName(QStringList *messages);
QString hostNameFrom(const platform::HostNameResult &result, QStringList *messages);

// The text shown when the system refuses the host name.
QString hostNameErrorMessage(int errorCode);
// The text shown when the sockets layer did not start usably; "" when it did.
QString socketsStartupMessage(const platform::SocketsStartup &startup);

// One network interface as far as the LAN list cares.
struct InterfaceAddresses
{
    bool loopback = false;
    QStringList ipv4; // dotted texts, in the system's order
};

// The first IPv4 address of every non-loopback interface, in the order given,
// each followed by CR LF; interfaces without one, or whose first is
// "0.0.0.0", are left out.
QString formatLanAddresses(const QList<InterfaceAddresses> &interfaces);

// The machine's interfaces in the system's order.
QList<InterfaceAddresses> systemInterfaces();

// The IPv6 addresses worth listing beside the IPv4 ones: usable addresses
// that reach beyond the link (global ones, unique local ones among them),
// written the usual way, in the system's order, each once. Link-local,
// loopback, site-local, multicast, unspecified and IPv4-mapped addresses,
// and addresses the system would not send from, are left out.
QStringList globalIpv6Addresses(const QList<platform::Ipv6InterfaceAddress> &addresses);

// globalIpv6Addresses of the machine: empty when it has no IPv6 beyond its
// links, and so nobody to ask for a public IPv6 address.
QStringList machineIpv6Addresses();

// formatLanAddresses over the machine's interfaces, followed by its global
// IPv6 addresses, each followed by CR LF as well.
QString lanAddresses();

// The summary used as the tray tip and in the notification mail: the host
// name, the public IPv4 and IPv6 addresses, then the LAN addresses. Notes,
// if any, come as lines of their own before the LAN addresses, where a
// tip that is cut short still shows them.
QString composeInfoText(const QString &hostName, const QString &publicIp, const QString &publicIpv6,
                        const QString &lan, const QStringList &notes = {});

} // namespace address
