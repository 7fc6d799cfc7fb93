#include "RemoteMac.h"

#include "MacAddress.h"

#include <algorithm>

namespace tools {

platform::ArpReply systemArp(quint32 target)
{
    return platform::queryHardwareAddress(target, kArpTimeout);
}

std::optional<QString> remoteMacAddress(const QString &addressText, const QString &separator,
                                        const ArpFunction &arp)
{
    // 0.0.0.0 is nobody: nothing is asked.
    const quint32 target = platform::ipv4FromText(addressText);
    if (target == 0)
        return std::nullopt;
    const platform::ArpReply reply = arp(target);
    // An answer whose first four bytes are all zero carries no address.
    const QByteArray head = reply.hardwareAddress.left(4);
    if (!reply.ok || std::all_of(head.cbegin(), head.cend(), [](char b) { return b == 0; }))
        return std::nullopt;
    return macAddressText(reply.hardwareAddress, separator);
}

QString remoteMacResult(const QString &addressText, const ArpFunction &arp)
{
    return remoteMacAddress(addressText, QStringLiteral("-"), arp)
        .value_or(QString(kArpFailedText));
}

} // namespace tools
