#pragma once

#include "ConnectionState.h"

#include <QString>
#include <array>
#include <functional>

namespace tools {

// The connection state window's six fields, in order: via LAN, via modem,
// via proxy, online, dial-up (remote access) installed, and the sentence.
inline constexpr std::array<const char *, 6> kConnectionLabels{
    "Is Net Connect Via LAN:", "Is Net Connect Via Modem:", "Is Net Connect Via Proxy:",
    "Is Net Connect Online:",  "Is Net RAS Installed:",     "Get Net Connect String:"};

// How the state reads as one sentence; "\r\n" ends the "configured" part.
QString connectionSentence(const platform::ConnectionState &state);

// The texts of the six fields, each from a query of its own (the state may
// change between them, as it may between two presses of the button).
std::array<QString, 6> connectionReport(
    const std::function<platform::ConnectionState()> &query = platform::queryConnectionState);

} // namespace tools
