#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace platform {
struct HostNameResult;
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

// formatLanAddresses over the machine's interfaces.
QString lanAddresses();

// The three-line summary used as the tray tip and in the notification mail.
QString composeInfoText(const QString &hostName, const QString &publicIp, const QString &lan);

} // namespace address
