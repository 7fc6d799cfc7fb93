#pragma once

#include "ArpQuery.h"

#include <QString>
#include <chrono>
#include <functional>
#include <optional>

namespace tools {

// Asks the network for the hardware address of an IPv4 address (network
// byte order); blocks until it has an answer or gives up.
using ArpFunction = std::function<platform::ArpReply(quint32 target)>;

// Long enough for the system's own ARP attempts (three probes a second
// apart) to end, short enough that the user is not left waiting.
inline constexpr std::chrono::milliseconds kArpTimeout{3500};

// What the remote MAC window shows when there is no address to show.
inline constexpr QLatin1StringView kArpFailedText{"(SendARP call failed)"};

// The system's ARP query within kArpTimeout.
platform::ArpReply systemArp(quint32 target);

// The MAC address text of the machine at addressText, bytes joined by the
// separator; nullopt when the address is not usable or no answer came.
std::optional<QString> remoteMacAddress(const QString &addressText, const QString &separator,
                                        const ArpFunction &arp);

// What the remote MAC window shows for addressText: the MAC joined by "-",
// or "(SendARP call failed)".
QString remoteMacResult(const QString &addressText, const ArpFunction &arp = systemArp);

} // namespace tools
