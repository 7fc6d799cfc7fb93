#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <memory>

namespace platform {

// Outcome of one echo request, in the IP status values the tools show
// (11000 plus an offset; 0 is success).
namespace ipstatus {
inline constexpr int Success = 0;
inline constexpr int BufTooSmall = 11001;
inline constexpr int DestNetUnreachable = 11002;
inline constexpr int DestHostUnreachable = 11003;
inline constexpr int DestProtUnreachable = 11004;
inline constexpr int DestPortUnreachable = 11005;
inline constexpr int NoResources = 11006;
inline constexpr int BadOption = 11007;
inline constexpr int PacketTooBig = 11009;
inline constexpr int ReqTimedOut = 11010;
inline constexpr int BadRoute = 11012;
inline constexpr int TtlExpiredTransit = 11013;
inline constexpr int TtlExpiredReassem = 11014;
inline constexpr int ParamProblem = 11015;
inline constexpr int SourceQuench = 11016;
inline constexpr int BadDestination = 11018;
inline constexpr int GeneralFailure = 11050;
} // namespace ipstatus

struct EchoRequest
{
    quint32 destination = 0; // IPv4, host byte order (as QHostAddress::toIPv4Address)
    QByteArray data;
    int ttl = 0; // 0: the system's default
    int timeoutMs = 0;
};

struct EchoReply
{
    // A host answered (an echo reply or an ICMP error about our request);
    // false for a time-out or a request that could not be sent.
    bool answered = false;
    quint32 address = 0; // who answered, host byte order
    int status = ipstatus::ReqTimedOut;
    quint32 roundTripMs = 0;
    QByteArray data; // what an echo reply carried back
};

// The machine's ICMP echo service: one open handle that sends echo requests
// with a chosen TTL and data and reports, for each, the one answer that
// belongs to it. Answers that are not ours (another program's pings, an
// echo to someone else) are never taken for ours. It never blocks: replies
// arrive on the owning thread's event loop.
class IcmpEcho : public QObject
{
    Q_OBJECT
public:
    enum class Kind
    {
        Closed,
        // An unprivileged ICMP datagram socket (Linux: allowed by the group
        // range in net.ipv4.ping_group_range).
        Datagram,
        // A raw socket (Linux: root or the CAP_NET_RAW capability).
        Raw,
        // The system's own echo service (Windows: IcmpCreateFile), which
        // sends and matches the requests itself.
        Service
    };

    // Opens the handle; see kind() and openError().
    explicit IcmpEcho(QObject *parent = nullptr);
    ~IcmpEcho() override;

    Kind kind() const;
    bool isOpen() const { return kind() != Kind::Closed; }
    // Why the handle could not be opened, and how the user may allow it.
    QString openError() const;

    // Sends one request and returns its id. Exactly one finished() follows
    // for it, from the event loop: the answer, or status ReqTimedOut after
    // timeoutMs, or the status of a send that failed at once.
    int send(const EchoRequest &request);

signals:
    void finished(int id, const platform::EchoReply &reply);

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace platform
