#include "NetworkState.h"

#include <algorithm>

namespace platform {

namespace {

bool canCarryDefaultRoute(const NetworkState &state, int index)
{
    const auto it = state.interfaces.find(index);
    if (it == state.interfaces.end() || it->second.loopback || it->second.port)
        return false;
    // A bridge is often only a switch for virtual machines and containers,
    // whose comings and goings say nothing about the way out.
    return !it->second.bridge ||
           std::any_of(state.defaultRoutes.begin(), state.defaultRoutes.end(),
                       [index](const auto &route) { return route.interfaceIndex == index; });
}

// Whether an address of `from` that `to` lacks lies on an interface of
// `from` that can carry the default route.
bool lostCountingAddress(const NetworkState &from, const NetworkState &to)
{
    return std::any_of(from.addresses.begin(), from.addresses.end(), [&](const auto &address) {
        return !to.addresses.contains(address) &&
               canCarryDefaultRoute(from, address.interfaceIndex);
    });
}

} // namespace

bool mayMovePublicAddress(const NetworkState &before, const NetworkState &after)
{
    if (before.defaultRoutes != after.defaultRoutes)
        return true;
    if (lostCountingAddress(before, after) || lostCountingAddress(after, before))
        return true;
    for (const auto &[index, link] : after.interfaces) {
        const auto was = before.interfaces.find(index);
        const bool cameUp = link.up && (was == before.interfaces.end() || !was->second.up);
        if (cameUp && canCarryDefaultRoute(after, index))
            return true;
    }
    return false;
}

} // namespace platform
