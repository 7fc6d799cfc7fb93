#pragma once

#include <QByteArray>
#include <QList>
#include <QStringList>
#include <optional>

namespace platform {

// How the sockets layer started, on systems that start it around each use
// (Windows Sockets, asked for version 1.1). Elsewhere it is always ready and
// these keep their defaults.
struct SocketsStartup
{
    int result = 0;           // the start-up call's result; 0 is success
    quint16 version = 0x0101; // low byte major, high byte minor
    qint16 maxSockets = 1;
};

enum class SocketsProblem
{
    None,
    NotResponding,
    TooFewSockets,
    VersionTooOld,
};

// The sockets layer is usable with at least one socket and version 1.1.
inline SocketsProblem socketsProblem(const SocketsStartup &startup)
{
    const int major = startup.version & 0xFF;
    const int minor = startup.version >> 8;
    if (startup.result != 0)
        return SocketsProblem::NotResponding;
    if (startup.maxSockets < 1)
        return SocketsProblem::TooFewSockets;
    if (major < 1 || (major == 1 && minor < 1))
        return SocketsProblem::VersionTooOld;
    return SocketsProblem::None;
}

struct HostNameResult
{
    bool ok = false;
    QByteArray name;   // 8-bit, as the system reports it, without the NUL
    int errorCode = 0; // the system's error number when the query failed
    SocketsStartup startup;
    // The sockets layer refused to be shut down again; the name still holds.
    bool cleanupFailed = false;
};

// The machine's host name, asked of the system with a 256-byte buffer.
HostNameResult queryHostName();

// The IPv4 addresses of each network adapter, dotted, as the system's own
// adapter list gives them and in its order (Windows: the IP Helper's
// adapter information, which leaves loopback out and gives "0.0.0.0" for an
// adapter without an address); empty when the list cannot be had. Nothing
// on systems without such a list (Linux): the caller reads the interfaces
// itself.
std::optional<QList<QStringList>> adapterIpv4Addresses();

} // namespace platform
