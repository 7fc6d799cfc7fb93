#pragma once

#include <QByteArray>
#include <QList>
#include <memory>
#include <optional>

namespace platform {

// The machine's network adapters as numbered units, walked the way the
// adapter listing walks them: list the numbers, ready each adapter, ask it
// for its hardware address.
class AdapterStatusSource
{
public:
    virtual ~AdapterStatusSource() = default;

    // The adapter numbers in the system's order; nullopt when the system
    // cannot list its adapters.
    virtual std::optional<QList<int>> adapterNumbers() = 0;
    // Readies one adapter for the question that follows; false when the
    // adapter cannot be asked (it has gone, for example).
    virtual bool reset(int adapter) = 0;
    // The adapter's six-byte hardware address; nullopt when it has none of
    // that size (tunnels, point-to-point links) or did not answer.
    virtual std::optional<QByteArray> hardwareAddress(int adapter) = 0;
};

// The system's adapters: every network interface except loopback, numbered
// by interface index and listed in that order.
std::unique_ptr<AdapterStatusSource> systemAdapterSource();

} // namespace platform
