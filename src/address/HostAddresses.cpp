#include "HostAddresses.h"

#include "HostName.h"
#include "Ipv6Addresses.h"

#include <QHostAddress>
#include <QNetworkInterface>

namespace address {

QString hostNameErrorMessage(int errorCode)
{
    return QStringLiteral("Windows Sockets error ") + QString::number(errorCode) +
           QStringLiteral(" has occurred.  Unable to successfully get Host Name.");
}

QString socketsStartupMessage(const platform::SocketsStartup &startup)
{
    switch (platform::socketsProblem(startup)) {
    case platform::SocketsProblem::None:
        return QString();
    case platform::SocketsProblem::NotResponding:
        return QStringLiteral("The 32-bit Windows Socket is not responding.");
    case platform::SocketsProblem::TooFewSockets:
        return QStringLiteral("This application requires a minimum of 1 supported sockets.");
    case platform::SocketsProblem::VersionTooOld:
        return QStringLiteral("Sockets version %1.%2 is not supported by 32-bit Windows Sockets.")
            .arg(startup.version & 0xFF)
            .arg(startup.version >> 8);
    }
    return QString();
}

QString hostNameFrom(const platform::HostNameResult &result, QStringList *messages)
{
    QStringList said;
    if (const QString startup = socketsStartupMessage(result.startup); !startup.isEmpty())
        said << startup;
    else if (!result.ok)
        said << hostNameErrorMessage(result.errorCode);
    if (result.cleanupFailed)
        said << QStringLiteral("Socket error occurred in Cleanup.");
    if (messages)
        *messages += said;
    return result.ok ? QString::fromLocal8Bit(result.name) : QString();
}

QString localHostName(QStringList *messages)
{
    return hostNameFrom(platform::queryHostName(), messages);
}

QString formatLanAddresses(const QList<InterfaceAddresses> &interfaces)
{
    QString result;
    for (const InterfaceAddresses &itf : interfaces) {
        if (itf.loopback || itf.ipv4.isEmpty())
            continue;
        const QString &first = itf.ipv4.first();
        if (first == QLatin1String("0.0.0.0"))
            continue;
        result += first + QStringLiteral("\r\n");
    }
    return result;
}

QList<InterfaceAddresses> systemInterfaces()
{
    QList<InterfaceAddresses> out;
    // Where the system keeps a list of its adapters (Windows), theirs is the
    // order and the first address that count.
    if (const auto adapters = platform::adapterIpv4Addresses()) {
        for (const QStringList &addresses : *adapters)
            out.append({false, addresses});
        return out;
    }
    // Qt lists interfaces by index and each one's addresses in the kernel's
    // order, primary address first, which is the order users know from
    // "ip addr".
    const QList<QNetworkInterface> all = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface &itf : all) {
        InterfaceAddresses a;
        a.loopback = itf.flags().testFlag(QNetworkInterface::IsLoopBack);
        const QList<QNetworkAddressEntry> entries = itf.addressEntries();
        for (const QNetworkAddressEntry &e : entries) {
            if (e.ip().protocol() == QAbstractSocket::IPv4Protocol)
                a.ipv4.append(e.ip().toString());
        }
        out.append(a);
    }
    return out;
}

QStringList globalIpv6Addresses(const QList<platform::Ipv6InterfaceAddress> &addresses)
{
    QStringList out;
    for (const platform::Ipv6InterfaceAddress &entry : addresses) {
        if (entry.unusable || entry.address.size() != 16)
            continue;
        const QHostAddress a(reinterpret_cast<const quint8 *>(entry.address.constData()));
        bool mapped = false;
        a.toIPv4Address(&mapped);
        if (mapped || a.isLoopback() || a.isLinkLocal() || a.isSiteLocal() || a.isMulticast() ||
            a == QHostAddress(QHostAddress::AnyIPv6))
            continue;
        if (const QString text = a.toString(); !out.contains(text))
            out.append(text);
    }
    return out;
}

QStringList machineIpv6Addresses()
{
    return globalIpv6Addresses(platform::queryIpv6Addresses());
}

QString lanAddresses()
{
    QString lan = formatLanAddresses(systemInterfaces());
    for (const QString &address : machineIpv6Addresses())
        lan += address + QStringLiteral("\r\n");
    return lan;
}

QString composeInfoText(const QString &hostName, const QString &publicIp, const QString &publicIpv6,
                        const QString &lan, const QStringList &notes)
{
    QString text = QStringLiteral("Host Name: ") + hostName + QStringLiteral("\r\nIP Internet: ") +
                   publicIp + QStringLiteral("\r\nIP Internet (IPv6): ") + publicIpv6 +
                   QStringLiteral("\r\n");
    for (const QString &note : notes)
        text += note + QStringLiteral("\r\n");
    return text + QStringLiteral("LAN IP Address: \r\n") + lan;
}

} // namespace address
