#include "FuzzTarget.h"

#include "IcmpPacket.h"

using namespace platform::detail;

// What a raw ICMP socket reads (after two bytes that are our identifier):
// an answer is about a request with that identifier, and an echo reply
// brings back no more than the packet holds.
FUZZ_TARGET(input)
{
    if (input.size() < 2)
        return;
    const quint16 identifier = readBig16(reinterpret_cast<const uchar *>(input.data()));
    const QByteArrayView packet(input.data() + 2, qsizetype(input.size() - 2));
    if (const auto answer = rawIcmpAnswer(packet, identifier)) {
        FUZZ_CHECK(packet.size() >= 28 && packet.contains(QByteArrayView(input.data(), 2)));
        FUZZ_CHECK(answer->echoedData
                       ? answer->status == 0 && answer->echoedData->size() <= packet.size() - 28
                       : answer->status != 0);
    }
}
