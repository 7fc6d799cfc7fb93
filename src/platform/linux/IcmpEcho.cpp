#include "IcmpEcho.h"

#include "IcmpPacket.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHash>
#include <QPointer>
#include <QRandomGenerator>
#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <limits>
#include <linux/errqueue.h>
#include <linux/icmp.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace platform {

using namespace detail;

namespace {

// The largest IPv4 datagram; nothing we read can be longer.
constexpr int kMaxPacket = 65535;
// A flood of foreign ICMP must not keep the event loop from the rest of
// the program: the notifier calls again for what is left.
constexpr int kMaxReadsPerWakeUp = 64;

// A send(2) that failed at once, as an IP status.
int statusOfSendError(int error)
{
    switch (error) {
    case ENETUNREACH:
        return ipstatus::DestNetUnreachable;
    case EHOSTUNREACH:
        return ipstatus::DestHostUnreachable;
    case EMSGSIZE:
        return ipstatus::PacketTooBig;
    case ENOBUFS:
    case ENOMEM:
    case EAGAIN:
        return ipstatus::NoResources;
    case EACCES: // e.g. the broadcast address
    case EINVAL:
        return ipstatus::BadDestination;
    default:
        return ipstatus::GeneralFailure;
    }
}

QString errorText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

qint64 wallClockNs()
{
    timespec now = {};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

// When the kernel took the packet in: the program may read it much later
// (the window was busy painting), which must not count as round trip.
qint64 arrivalNs(msghdr &msg)
{
    for (cmsghdr *c = CMSG_FIRSTHDR(&msg); c; c = CMSG_NXTHDR(&msg, c)) {
        if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_TIMESTAMPNS) {
            timespec t;
            std::memcpy(&t, CMSG_DATA(c), sizeof t);
            return qint64(t.tv_sec) * 1000000000 + t.tv_nsec;
        }
    }
    return wallClockNs();
}

} // namespace

struct IcmpEcho::Private
{
    struct Pending
    {
        int id = 0;
        quint32 destination = 0;
        QByteArray data;
        qint64 sentNs = 0; // wall clock, like the kernel's arrival stamps
        qint64 deadlineMs = 0;
    };

    int fd = -1;
    Kind kind = Kind::Closed;
    QString openError;
    // Raw sockets see every ICMP packet of the host; this and the
    // sequence number tell ours apart. Datagram sockets get theirs from the
    // kernel, which picks the identifier.
    quint16 identifier = 0;
    quint16 sequence = 0;
    int nextId = 1;
    QHash<quint16, Pending> pending;
    QElapsedTimer clock;
    QSocketNotifier *notifier = nullptr;
    QTimer *timer = nullptr;
    QByteArray buffer = QByteArray(kMaxPacket, Qt::Uninitialized);

    void armTimer();
    QList<QPair<int, EchoReply>> readAnswers();
    // Arrival time of the packet being read.
    qint64 arrival = 0;

    bool takeReply(quint16 seq, quint32 from, quint32 destination, const QByteArray *echoedData,
                   int status, QList<QPair<int, EchoReply>> &out);
    void readErrorQueue(QList<QPair<int, EchoReply>> &out);
    void readDatagramReplies(QList<QPair<int, EchoReply>> &out);
    void readRawPackets(QList<QPair<int, EchoReply>> &out);
    void parseRaw(const uchar *p, int size, QList<QPair<int, EchoReply>> &out);
};

IcmpEcho::IcmpEcho(QObject *parent) : QObject(parent), d(new Private)
{
    d->clock.start();
    const int on = 1;
    // The datagram socket first: it needs no privilege where the system
    // grants it, and the kernel hands it only its own answers.
    d->fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_ICMP);
    if (d->fd >= 0) {
        // Without it, time-exceeded and unreachable answers are dropped.
        if (::setsockopt(d->fd, SOL_IP, IP_RECVERR, &on, sizeof on) == 0) {
            d->kind = Kind::Datagram;
        } else {
            ::close(d->fd);
            d->fd = -1;
        }
    }
    const int datagramError = errno;
    if (d->fd < 0) {
        d->fd = ::socket(AF_INET, SOCK_RAW | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_ICMP);
        if (d->fd >= 0) {
            d->kind = Kind::Raw;
            d->identifier = quint16(QRandomGenerator::global()->bounded(1, 0x10000));
            // Wake only for the kinds of ICMP that can answer an echo.
            icmp_filter filter;
            filter.data = ~((1u << kEchoReply) | (1u << kDestUnreachable) | (1u << kSourceQuench) |
                            (1u << kTimeExceeded) | (1u << kParameterProblem));
            ::setsockopt(d->fd, SOL_RAW, ICMP_FILTER, &filter, sizeof filter);
        } else {
            const int rawError = errno;
            d->openError =
                QStringLiteral(
                    "This user may not send ICMP echo requests (ping socket: %1; raw socket: "
                    "%2).\n\nTo allow it for every user of this computer, run as root:\n"
                    "    sysctl -w net.ipv4.ping_group_range=\"0 2147483647\"\n"
                    "and keep it with a file in /etc/sysctl.d/ holding\n"
                    "    net.ipv4.ping_group_range = 0 2147483647\n\n"
                    "Or give this program the right to use raw sockets:\n"
                    "    setcap cap_net_raw+ep %3")
                    .arg(errorText(datagramError), errorText(rawError),
                         QCoreApplication::applicationFilePath());
            return;
        }
    }
    ::setsockopt(d->fd, SOL_SOCKET, SO_TIMESTAMPNS, &on, sizeof on);
    d->notifier = new QSocketNotifier(d->fd, QSocketNotifier::Read, this);
    d->timer = new QTimer(this);
    d->timer->setSingleShot(true);

    auto deliver = [this](const QList<QPair<int, EchoReply>> &replies) {
        // A receiver may delete us while we tell it.
        QPointer<IcmpEcho> alive(this);
        for (const auto &r : replies) {
            emit finished(r.first, r.second);
            if (!alive)
                return;
        }
    };
    connect(d->notifier, &QSocketNotifier::activated, this,
            [this, deliver] { deliver(d->readAnswers()); });
    connect(d->timer, &QTimer::timeout, this, [this, deliver] {
        const qint64 now = d->clock.elapsed();
        QList<QPair<int, EchoReply>> expired;
        for (auto it = d->pending.begin(); it != d->pending.end();) {
            if (it->deadlineMs <= now) {
                expired.append({it->id, EchoReply{}});
                it = d->pending.erase(it);
            } else {
                ++it;
            }
        }
        std::sort(expired.begin(), expired.end(),
                  [](const auto &a, const auto &b) { return a.first < b.first; });
        d->armTimer();
        deliver(expired);
    });
}

IcmpEcho::~IcmpEcho()
{
    if (d->fd >= 0)
        ::close(d->fd);
}

IcmpEcho::Kind IcmpEcho::kind() const
{
    return d->kind;
}

QString IcmpEcho::openError() const
{
    return d->openError;
}

void IcmpEcho::Private::armTimer()
{
    if (pending.isEmpty()) {
        timer->stop();
        return;
    }
    qint64 next = std::numeric_limits<qint64>::max();
    for (const Pending &p : std::as_const(pending))
        next = std::min(next, p.deadlineMs);
    timer->start(int(std::max<qint64>(0, next - clock.elapsed())));
}

int IcmpEcho::send(const EchoRequest &request)
{
    const int id = d->nextId++;
    auto failAtOnce = [this, id](int status) {
        EchoReply reply;
        reply.status = status;
        QTimer::singleShot(0, this, [this, id, reply] { emit finished(id, reply); });
        return id;
    };
    if (d->kind == Kind::Closed)
        return failAtOnce(ipstatus::GeneralFailure);
    if (d->pending.size() >= 0xFFFF)
        return failAtOnce(ipstatus::NoResources);
    do {
        ++d->sequence;
    } while (d->pending.contains(d->sequence));

    QByteArray packet(kIcmpHeaderSize, '\0');
    packet[0] = char(kEchoRequest);
    packet[4] = char(d->identifier >> 8);
    packet[5] = char(d->identifier & 0xFF);
    packet[6] = char(d->sequence >> 8);
    packet[7] = char(d->sequence & 0xFF);
    packet += request.data;
    if (d->kind == Kind::Raw) {
        // The kernel fills in identifier and checksum on datagram sockets
        // only.
        const quint16 sum =
            internetChecksum(reinterpret_cast<const uchar *>(packet.constData()), packet.size());
        packet[2] = char(sum >> 8);
        packet[3] = char(sum & 0xFF);
    }
    // -1 gives the socket back the system's default.
    const int ttl = request.ttl > 0 ? request.ttl : -1;
    if (::setsockopt(d->fd, SOL_IP, IP_TTL, &ttl, sizeof ttl) != 0)
        return failAtOnce(ipstatus::BadOption);

    sockaddr_in to = {};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(request.destination);
    const qint64 sentMs = d->clock.elapsed();
    const qint64 sentNs = wallClockNs();
    // An ICMP error about an earlier request also leaves its number on a
    // datagram socket, and the next send fails with it instead of sending.
    // Such a number is read away first; one that keeps coming back (the
    // kernel refuses this very request) is the answer.
    for (int attempt = 0;; ++attempt) {
        if (d->kind == Kind::Datagram) {
            int pendingError = 0;
            socklen_t size = sizeof pendingError;
            ::getsockopt(d->fd, SOL_SOCKET, SO_ERROR, &pendingError, &size);
        }
        if (::sendto(d->fd, packet.constData(), size_t(packet.size()), 0,
                     reinterpret_cast<const sockaddr *>(&to), sizeof to) >= 0)
            break;
        if (d->kind != Kind::Datagram || attempt == 2)
            return failAtOnce(statusOfSendError(errno));
    }

    d->pending.insert(d->sequence, {id, request.destination, request.data, sentNs,
                                    sentMs + std::max(0, request.timeoutMs)});
    d->armTimer();
    return id;
}

QList<QPair<int, EchoReply>> IcmpEcho::Private::readAnswers()
{
    QList<QPair<int, EchoReply>> out;
    if (kind == Kind::Datagram) {
        readErrorQueue(out);
        readDatagramReplies(out);
    } else {
        readRawPackets(out);
    }
    return out;
}

bool IcmpEcho::Private::takeReply(quint16 seq, quint32 from, quint32 destination,
                                  const QByteArray *echoedData, int status,
                                  QList<QPair<int, EchoReply>> &out)
{
    const auto it = pending.find(seq);
    // The destination must match too: an answer about an echo to another
    // host is not about ours, whatever its sequence number. 0.0.0.0 is
    // this host, which answers from whichever address it picks (127.0.0.1).
    if (it == pending.end() || (it->destination != 0 && it->destination != destination))
        return false;
    if (echoedData && *echoedData != it->data)
        return false;
    EchoReply reply;
    reply.answered = true;
    reply.address = from;
    reply.status = status;
    reply.roundTripMs = quint32(std::max<qint64>(0, arrival - it->sentNs) / 1000000);
    if (echoedData)
        reply.data = *echoedData;
    out.append({it->id, reply});
    pending.erase(it);
    return true;
}

void IcmpEcho::Private::readErrorQueue(QList<QPair<int, EchoReply>> &out)
{
    for (int i = 0; i < kMaxReadsPerWakeUp; ++i) {
        sockaddr_in original = {};
        iovec iov = {buffer.data(), size_t(buffer.size())};
        alignas(cmsghdr) char control[512];
        msghdr msg = {};
        msg.msg_name = &original;
        msg.msg_namelen = sizeof original;
        msg.msg_iov = &iov;
        msg.msg_iovlen = 1;
        msg.msg_control = control;
        msg.msg_controllen = sizeof control;
        const ssize_t n = ::recvmsg(fd, &msg, MSG_ERRQUEUE | MSG_DONTWAIT);
        if (n < 0)
            return;
        arrival = arrivalNs(msg);
        // The queued datagram is our own request as it was sent.
        const auto *request = reinterpret_cast<const uchar *>(buffer.constData());
        if (n < kIcmpHeaderSize || request[0] != kEchoRequest)
            continue;
        for (cmsghdr *c = CMSG_FIRSTHDR(&msg); c; c = CMSG_NXTHDR(&msg, c)) {
            if (c->cmsg_level != SOL_IP || c->cmsg_type != IP_RECVERR)
                continue;
            const auto *ee = reinterpret_cast<const sock_extended_err *>(CMSG_DATA(c));
            quint32 from = 0;
            int status = ipstatus::GeneralFailure;
            if (ee->ee_origin == SO_EE_ORIGIN_ICMP) {
                const auto *offender = reinterpret_cast<const sockaddr_in *>(SO_EE_OFFENDER(ee));
                if (offender->sin_family == AF_INET)
                    from = ntohl(offender->sin_addr.s_addr);
                status = statusOfIcmpError(ee->ee_type, ee->ee_code);
            } else if (ee->ee_origin == SO_EE_ORIGIN_LOCAL) {
                status = statusOfSendError(int(ee->ee_errno));
            } else {
                continue;
            }
            if (!takeReply(readBig16(request + 6), from, ntohl(original.sin_addr.s_addr), nullptr,
                           status, out))
                continue;
            // Nobody answered a locally refused request.
            if (ee->ee_origin != SO_EE_ORIGIN_ICMP)
                out.last().second.answered = false;
        }
    }
}

void IcmpEcho::Private::readDatagramReplies(QList<QPair<int, EchoReply>> &out)
{
    for (int i = 0; i < kMaxReadsPerWakeUp; ++i) {
        sockaddr_in from = {};
        iovec iov = {buffer.data(), size_t(buffer.size())};
        alignas(cmsghdr) char control[128];
        msghdr msg = {};
        msg.msg_name = &from;
        msg.msg_namelen = sizeof from;
        msg.msg_iov = &iov;
        msg.msg_iovlen = 1;
        msg.msg_control = control;
        msg.msg_controllen = sizeof control;
        const ssize_t n = ::recvmsg(fd, &msg, MSG_DONTWAIT);
        if (n < 0) {
            // A pending socket error is reported (and cleared) by one read;
            // its details are in the error queue.
            if (errno == EAGAIN || errno == EWOULDBLOCK)
                return;
            readErrorQueue(out);
            continue;
        }
        const auto *p = reinterpret_cast<const uchar *>(buffer.constData());
        if (n < kIcmpHeaderSize || p[0] != kEchoReply)
            continue;
        arrival = arrivalNs(msg);
        const QByteArray data(buffer.constData() + kIcmpHeaderSize, int(n) - kIcmpHeaderSize);
        const quint32 source = ntohl(from.sin_addr.s_addr);
        takeReply(readBig16(p + 6), source, source, &data, ipstatus::Success, out);
    }
}

void IcmpEcho::Private::readRawPackets(QList<QPair<int, EchoReply>> &out)
{
    for (int i = 0; i < kMaxReadsPerWakeUp; ++i) {
        iovec iov = {buffer.data(), size_t(buffer.size())};
        alignas(cmsghdr) char control[128];
        msghdr msg = {};
        msg.msg_iov = &iov;
        msg.msg_iovlen = 1;
        msg.msg_control = control;
        msg.msg_controllen = sizeof control;
        const ssize_t n = ::recvmsg(fd, &msg, MSG_DONTWAIT);
        if (n < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK)
                return;
            continue;
        }
        arrival = arrivalNs(msg);
        parseRaw(reinterpret_cast<const uchar *>(buffer.constData()), int(n), out);
    }
}

void IcmpEcho::Private::parseRaw(const uchar *p, int size, QList<QPair<int, EchoReply>> &out)
{
    const auto answer =
        rawIcmpAnswer(QByteArrayView(reinterpret_cast<const char *>(p), size), identifier);
    if (answer)
        takeReply(answer->sequence, answer->from, answer->destination,
                  answer->echoedData ? &*answer->echoedData : nullptr, answer->status, out);
}

} // namespace platform
