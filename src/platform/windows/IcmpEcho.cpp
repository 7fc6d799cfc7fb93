#include "IcmpEcho.h"

#include "IcmpEchoReply.h"

#include <QMutex>
#include <QSet>
#include <QTimer>

#include <cstddef>
#include <memory>
#include <system_error>
#include <thread>

// Each of these needs the ones before it.
// clang-format off
#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>
#include <icmpapi.h>
// clang-format on

namespace platform {

namespace {

// How long past its own time-out a request may stay without word from the
// service before it is reported as timed out anyway.
constexpr int kGraceMs = 1000;

static_assert(icmpreply::kRecordSize == sizeof(ICMP_ECHO_REPLY));
static_assert(icmpreply::kDataSizeOffset == offsetof(ICMP_ECHO_REPLY, DataSize));
static_assert(icmpreply::kDataPointerOffset == offsetof(ICMP_ECHO_REPLY, Data));

// What the echo object shares with the threads its requests wait on: the
// service's handle, closed by whichever lets go of it last, and the object
// to report to, which the object takes away when it goes.
struct Service
{
    HANDLE handle = INVALID_HANDLE_VALUE;
    QMutex lock;
    QObject *owner = nullptr;

    ~Service()
    {
        if (handle != INVALID_HANDLE_VALUE)
            ::IcmpCloseHandle(handle);
    }
};

// One request, sent and waited for on the calling thread: the service
// returns when the reply is in or the time-out has passed.
EchoReply sendAndWait(HANDLE handle, const EchoRequest &request)
{
    const qsizetype replySize = icmpreply::replyBufferSize(request.data.size());
    const auto reply = std::make_unique<char[]>(size_t(replySize));
    QByteArray data = request.data;
    IP_OPTION_INFORMATION options = {};
    options.Ttl = UCHAR(qBound(1, request.ttl, 255));
    const DWORD replies =
        ::IcmpSendEcho(handle, ::htonl(request.destination), data.data(), WORD(data.size()),
                       request.ttl > 0 ? &options : nullptr, reply.get(), DWORD(replySize),
                       DWORD(qMax(0, request.timeoutMs)));
    const DWORD error = ::GetLastError();
    return icmpreply::decode(QByteArrayView(reply.get(), replySize),
                             reinterpret_cast<quintptr>(reply.get()), replies, error);
}

} // namespace

struct IcmpEcho::Private
{
    std::shared_ptr<Service> service = std::make_shared<Service>();
    QString openError;
    int nextId = 1;
    QSet<int> pending; // sent and not yet reported
};

IcmpEcho::IcmpEcho(QObject *parent) : QObject(parent), d(std::make_unique<Private>())
{
    d->service->handle = ::IcmpCreateFile();
    d->service->owner = this;
    if (d->service->handle == INVALID_HANDLE_VALUE)
        d->openError = QStringLiteral("The ICMP echo service could not be opened: %1")
                           .arg(qt_error_string(int(::GetLastError())));
}

IcmpEcho::~IcmpEcho()
{
    // Requests still under way end within their own time-out and tell no
    // one; the last of them closes the handle.
    const QMutexLocker locker(&d->service->lock);
    d->service->owner = nullptr;
}

IcmpEcho::Kind IcmpEcho::kind() const
{
    return d->service->handle == INVALID_HANDLE_VALUE ? Kind::Closed : Kind::Service;
}

QString IcmpEcho::openError() const
{
    return d->openError;
}

int IcmpEcho::send(const EchoRequest &request)
{
    const int id = d->nextId++;
    // Reports a request once, on this object's thread: the first of the
    // service's answer and the time-out guard wins.
    auto report = [this, id](const EchoReply &reply) {
        if (d->pending.remove(id))
            emit finished(id, reply);
    };
    d->pending.insert(id);
    auto failAtOnce = [this, report, id](int status) {
        EchoReply reply;
        reply.status = status;
        QTimer::singleShot(0, this, [report, reply] { report(reply); });
        return id;
    };
    if (d->service->handle == INVALID_HANDLE_VALUE)
        return failAtOnce(ipstatus::GeneralFailure);
    if (request.data.size() > 0xFFFF)
        return failAtOnce(ipstatus::PacketTooBig);

    // The service's call blocks until the answer or the time-out, so it runs
    // on a thread of its own and hands its answer over by queued call.
    try {
        std::thread([service = d->service, request, report] {
            const EchoReply reply = sendAndWait(service->handle, request);
            const QMutexLocker locker(&service->lock);
            if (service->owner)
                QMetaObject::invokeMethod(
                    service->owner, [report, reply] { report(reply); }, Qt::QueuedConnection);
        }).detach();
    } catch (const std::system_error &) {
        return failAtOnce(ipstatus::NoResources);
    }
    // Should the service not return in time, the request still ends.
    QTimer::singleShot(qMax(0, request.timeoutMs) + kGraceMs, this,
                       [report] { report(EchoReply{}); });
    return id;
}

} // namespace platform
