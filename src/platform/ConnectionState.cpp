#include "ConnectionState.h"

#include <algorithm>

namespace platform {

ConnectionState connectionStateOf(const NetworkSnapshot &snapshot)
{
    ConnectionState state;
    const NetworkSnapshot::Interface *via = nullptr;
    quint32 bestMetric = 0;
    for (const auto &route : snapshot.defaultRoutes) {
        const auto it = std::find_if(
            snapshot.interfaces.cbegin(), snapshot.interfaces.cend(),
            [&](const NetworkSnapshot::Interface &i) { return i.name == route.interfaceName; });
        if (it == snapshot.interfaces.cend() || it->loopback || !it->up || !it->running)
            continue;
        if (!via || route.metric < bestMetric) {
            via = &*it;
            bestMetric = route.metric;
        }
    }
    if (via) {
        state.online = true;
        state.flags |= via->modemLike ? connection::Modem : connection::Lan;
    } else {
        state.flags |= connection::Offline;
    }
    if (std::any_of(snapshot.proxyValues.cbegin(), snapshot.proxyValues.cend(),
                    [](const QString &v) { return !v.trimmed().isEmpty(); }))
        state.flags |= connection::Proxy;
    if (snapshot.dialUpInstalled)
        state.flags |= connection::RasInstalled;
    if (std::any_of(snapshot.interfaces.cbegin(), snapshot.interfaces.cend(),
                    [](const NetworkSnapshot::Interface &i) {
                        return !i.loopback && i.up && (i.hasIpv4 || i.hasGlobalIpv6);
                    }))
        state.flags |= connection::Configured;
    return state;
}

ConnectionState connectionStateFromService(bool connected, quint32 flags)
{
    constexpr quint32 known = connection::Modem | connection::Lan | connection::Proxy |
                              connection::ModemBusy | connection::RasInstalled |
                              connection::Offline | connection::Configured;
    return ConnectionState{connected, flags & known};
}

} // namespace platform
