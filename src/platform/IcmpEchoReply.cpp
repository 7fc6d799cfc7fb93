#include "IcmpEchoReply.h"

#include <QtEndian>

namespace platform::icmpreply {

namespace {

// The service's own statuses: success and IP_STATUS_BASE (11000) plus an
// offset up to IP_PENDING.
constexpr quint32 kStatusBase = 11000;
constexpr quint32 kLastStatus = 11255;

// System errors the service reports instead of an IP status.
constexpr quint32 kNotEnoughMemory = 8;
constexpr quint32 kOutOfMemory = 14;
constexpr quint32 kInsufficientBuffer = 122;
constexpr quint32 kWaitTimeout = 258;
constexpr quint32 kNetworkUnreachable = 1231;
constexpr quint32 kHostUnreachable = 1232;
constexpr quint32 kProtocolUnreachable = 1233;
constexpr quint32 kPortUnreachable = 1234;
constexpr quint32 kNoSystemResources = 1450;
constexpr quint32 kTimeout = 1460;

// Room the service wants beyond the record and the data: an ICMP error's
// eight bytes, and the status block (two pointer-sized fields) it appends.
constexpr qsizetype kErrorRoom = 8;
constexpr qsizetype kStatusBlockSize = 2 * sizeof(void *);

quint32 readLittle32(QByteArrayView buffer, qsizetype offset)
{
    return qFromLittleEndian<quint32>(buffer.data() + offset);
}

quint64 readPointer(QByteArrayView buffer, qsizetype offset)
{
    return sizeof(void *) == 8 ? qFromLittleEndian<quint64>(buffer.data() + offset)
                               : readLittle32(buffer, offset);
}

} // namespace

qsizetype replyBufferSize(qsizetype dataSize)
{
    return kRecordSize + qMax<qsizetype>(0, dataSize) + kErrorRoom + kStatusBlockSize;
}

int statusOfError(quint32 error)
{
    if (error > kStatusBase && error <= kLastStatus)
        return int(error);
    switch (error) {
    case kNotEnoughMemory:
    case kOutOfMemory:
    case kNoSystemResources:
        return ipstatus::NoResources;
    case kInsufficientBuffer:
        return ipstatus::BufTooSmall;
    case kWaitTimeout:
    case kTimeout:
        return ipstatus::ReqTimedOut;
    case kNetworkUnreachable:
        return ipstatus::DestNetUnreachable;
    case kHostUnreachable:
        return ipstatus::DestHostUnreachable;
    case kProtocolUnreachable:
        return ipstatus::DestProtUnreachable;
    case kPortUnreachable:
        return ipstatus::DestPortUnreachable;
    default:
        return ipstatus::GeneralFailure;
    }
}

EchoReply decode(QByteArrayView buffer, quintptr bufferAddress, quint32 replyCount,
                 quint32 lastError)
{
    EchoReply reply;
    if (replyCount == 0) {
        reply.status = statusOfError(lastError);
        return reply;
    }
    if (buffer.size() < kRecordSize) {
        reply.status = ipstatus::GeneralFailure;
        return reply;
    }
    const quint32 status = readLittle32(buffer, 4);
    if (status != 0 && (status <= kStatusBase || status > kLastStatus)) {
        reply.status = ipstatus::GeneralFailure;
        return reply;
    }
    reply.status = int(status);
    reply.answered = reply.status != ipstatus::ReqTimedOut;
    // The address lies in network byte order, as it came off the wire.
    reply.address = qFromBigEndian<quint32>(buffer.data());
    reply.roundTripMs = readLittle32(buffer, 8);
    if (reply.status != ipstatus::Success)
        return reply;

    const quint16 size = qFromLittleEndian<quint16>(buffer.data() + kDataSizeOffset);
    const quint64 pointer = readPointer(buffer, kDataPointerOffset);
    // Compared as distances from the buffer's start, so that no sum can
    // wrap around.
    if (pointer >= bufferAddress && pointer - bufferAddress <= quint64(buffer.size()) &&
        size <= quint64(buffer.size()) - (pointer - bufferAddress))
        reply.data = buffer.sliced(qsizetype(pointer - bufferAddress), size).toByteArray();
    return reply;
}

} // namespace platform::icmpreply
