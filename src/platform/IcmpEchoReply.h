#pragma once

#include "IcmpEcho.h"

#include <QByteArrayView>

// The reply buffer of the Windows ICMP echo service, read without trusting
// it: the reply record at its start, then what the service copied in.
namespace platform::icmpreply {

// The reply record as the service lays it out for a program of this
// pointer width: address, status and round-trip time (32 bits each), the
// data size (16 bits) and a reserved word, a pointer to the echoed data,
// then the reply's IP options (four bytes and a pointer, aligned).
inline constexpr qsizetype kDataSizeOffset = 12;
inline constexpr qsizetype kDataPointerOffset = 16;
inline constexpr qsizetype kRecordSize = sizeof(void *) == 8 ? 40 : 28;

// The buffer to hand over with a request carrying dataSize bytes: the
// record, the echoed data, an ICMP error's eight bytes and the service's
// own status block.
qsizetype replyBufferSize(qsizetype dataSize);

// The reply to one request. replyCount and lastError are what the service
// said when asked to read the buffer (IcmpParseReplies and the error it
// left); bufferAddress is where the buffer lay, which the data pointer is
// relative to. A damaged record (too short, a status outside the service's
// range, a data pointer outside the buffer) never yields bytes from
// anywhere but the buffer.
EchoReply decode(QByteArrayView buffer, quintptr bufferAddress, quint32 replyCount,
                 quint32 lastError);

// The status for a request the service did not answer: an IP status (11001
// and above) as it is, a system error as the nearest IP status.
int statusOfError(quint32 error);

} // namespace platform::icmpreply
