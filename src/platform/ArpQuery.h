#pragma once

#include <QByteArray>
#include <QString>
#include <chrono>

namespace platform {

struct ArpReply
{
    bool ok = false;
    QByteArray hardwareAddress; // as many bytes as the link layer uses
};

// The sockets layer's reading of an IPv4 address text ("192.0.2.1", and the
// short, octal and hexadecimal forms it also accepts), in network byte
// order; 0xFFFFFFFF for anything else.
quint32 ipv4FromText(const QString &text);

// Asks the local network which hardware address the IPv4 address target
// (network byte order) has. A neighbour the system already knows answers at
// once; otherwise the system is made to ask (ARP) and the answer awaited
// until the time-out. Only addresses on a directly attached network are
// asked: anything else (the machine's own, broadcast, behind a router)
// fails at once and sends nothing. Needs no privileges. Blocks: call it
// off the GUI thread.
ArpReply queryHardwareAddress(quint32 target, std::chrono::milliseconds timeout);

} // namespace platform
