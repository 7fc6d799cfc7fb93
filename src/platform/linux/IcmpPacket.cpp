#include "IcmpPacket.h"

#include "IcmpEcho.h"

#include <algorithm>

#include <netinet/in.h>

namespace platform::detail {

namespace {

quint32 readBig32(const uchar *p)
{
    return (quint32(p[0]) << 24) | (quint32(p[1]) << 16) | (quint32(p[2]) << 8) | quint32(p[3]);
}

} // namespace

quint16 readBig16(const uchar *p)
{
    return quint16((p[0] << 8) | p[1]);
}

quint16 internetChecksum(const uchar *data, int size)
{
    quint32 sum = 0;
    for (int i = 0; i + 1 < size; i += 2)
        sum += readBig16(data + i);
    if (size % 2)
        sum += quint32(data[size - 1]) << 8;
    while (sum >> 16)
        sum = (sum & 0xFFFF) + (sum >> 16);
    return quint16(~sum);
}

int statusOfIcmpError(int type, int code)
{
    switch (type) {
    case kDestUnreachable:
        switch (code) {
        case 0:  // network
        case 6:  // network unknown
        case 9:  // network administratively prohibited
        case 11: // network for the type of service
            return ipstatus::DestNetUnreachable;
        case 2:
            return ipstatus::DestProtUnreachable;
        case 3:
            return ipstatus::DestPortUnreachable;
        case 4: // fragmentation needed
            return ipstatus::PacketTooBig;
        case 5: // source route failed
            return ipstatus::BadRoute;
        default: // host, host unknown, host or communication prohibited
            return ipstatus::DestHostUnreachable;
        }
    case kTimeExceeded:
        return code == 1 ? ipstatus::TtlExpiredReassem : ipstatus::TtlExpiredTransit;
    case kParameterProblem:
        return ipstatus::ParamProblem;
    case kSourceQuench:
        return ipstatus::SourceQuench;
    default:
        return ipstatus::GeneralFailure;
    }
}

std::optional<IcmpAnswer> rawIcmpAnswer(QByteArrayView packet, quint16 identifier)
{
    const auto *p = reinterpret_cast<const uchar *>(packet.data());
    if (packet.size() < 20 || (p[0] >> 4) != 4)
        return std::nullopt;
    const int headerSize = (p[0] & 0x0F) * 4;
    const int total = int(std::min<qsizetype>(packet.size(), readBig16(p + 2)));
    if (headerSize < 20 || total < headerSize + kIcmpHeaderSize)
        return std::nullopt;
    const quint32 source = readBig32(p + 12);
    const uchar *icmp = p + headerSize;
    const int icmpSize = total - headerSize;
    if (internetChecksum(icmp, icmpSize) != 0)
        return std::nullopt;

    const quint8 type = icmp[0];
    if (type == kEchoReply) {
        if (readBig16(icmp + 4) != identifier)
            return std::nullopt;
        return IcmpAnswer{readBig16(icmp + 6), source, source, ipstatus::Success,
                          QByteArray(reinterpret_cast<const char *>(icmp + kIcmpHeaderSize),
                                     icmpSize - kIcmpHeaderSize)};
    }
    if (type != kDestUnreachable && type != kTimeExceeded && type != kParameterProblem &&
        type != kSourceQuench)
        return std::nullopt;
    // The error quotes the IP header of the datagram it is about and at
    // least the first 8 bytes of its ICMP: our identifier and sequence.
    const uchar *inner = icmp + kIcmpHeaderSize;
    const int innerSize = icmpSize - kIcmpHeaderSize;
    if (innerSize < 20 || (inner[0] >> 4) != 4)
        return std::nullopt;
    const int innerHeaderSize = (inner[0] & 0x0F) * 4;
    if (innerHeaderSize < 20 || innerSize < innerHeaderSize + kIcmpHeaderSize ||
        inner[9] != IPPROTO_ICMP)
        return std::nullopt;
    const uchar *innerIcmp = inner + innerHeaderSize;
    if (innerIcmp[0] != kEchoRequest || readBig16(innerIcmp + 4) != identifier)
        return std::nullopt;
    return IcmpAnswer{readBig16(innerIcmp + 6), source, readBig32(inner + 16),
                      statusOfIcmpError(type, icmp[1]), std::nullopt};
}

} // namespace platform::detail
