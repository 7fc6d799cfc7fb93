#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

// ICMP as the sockets hand it over, decoded without them.
namespace platform::detail {

inline constexpr quint8 kEchoReply = 0;
inline constexpr quint8 kDestUnreachable = 3;
inline constexpr quint8 kSourceQuench = 4;
inline constexpr quint8 kEchoRequest = 8;
inline constexpr quint8 kTimeExceeded = 11;
inline constexpr quint8 kParameterProblem = 12;
inline constexpr int kIcmpHeaderSize = 8;

quint16 readBig16(const uchar *p);

// RFC 1071 Internet checksum.
quint16 internetChecksum(const uchar *data, int size);

// ICMP type and code of an error about our request, as an IP status.
int statusOfIcmpError(int type, int code);

// What a packet says about one of our echo requests.
struct IcmpAnswer
{
    quint16 sequence = 0;                 // of the request
    quint32 from = 0;                     // who answered, host byte order
    quint32 destination = 0;              // where the request went, host byte order
    int status = 0;                       // an IP status (Success for an echo reply)
    std::optional<QByteArray> echoedData; // an echo reply's data
};

// One IPv4 packet carrying ICMP, header included, as a raw socket reads it:
// an echo reply to the request identifier, or an error quoting such a
// request. Nothing for anything else, damaged or cut short.
std::optional<IcmpAnswer> rawIcmpAnswer(QByteArrayView packet, quint16 identifier);

} // namespace platform::detail
