#pragma once

#include <QDateTime>
#include <QString>
#include <optional>

namespace app {

// One change of a public address as the change command and the web hook
// hear of it. They hear of addresses only: a refresh that could not read
// one is no change for them, and getting the same address back after it
// is none either.
struct AddressChange
{
    QString family; // "ipv4" or "ipv6"
    QString oldIp;  // the address they last heard of; "" at the start of a run
    QString newIp;
    QString hostName;
    QDateTime time; // when the refresh that found it ended, in UTC
};

// Puts change where one of its family may already wait: the one waiting
// was never told, so whoever hears of the change last heard of the
// waiting one's old address.
inline void replaceWaiting(std::optional<AddressChange> &waiting, AddressChange change)
{
    if (waiting)
        change.oldIp = waiting->oldIp;
    waiting = std::move(change);
}

} // namespace app
