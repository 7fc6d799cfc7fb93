#include "FuzzTarget.h"

#include "IcmpPacket.h"

// Our echo identifier (two bytes), then what a raw ICMP socket reads: an
// answer is about that identifier; only an echo reply brings data.
void fuzz(std::string_view input)
{
    if (input.size() < 2)
        return;
    const QByteArrayView packet(input.data() + 2, qsizetype(input.size() - 2));
    const auto id = platform::detail::readBig16(reinterpret_cast<const uchar *>(input.data()));
    if (const auto answer = platform::detail::rawIcmpAnswer(packet, id))
        FUZZ_CHECK(packet.sliced(24).contains(QByteArrayView(input.data(), 2)) &&
                   (answer->status == 0) == answer->echoedData.has_value());
}
