#include "FuzzTarget.h"

#include "ConsoleEvents.h"
#include "IcmpEchoReply.h"
#include "NetBiosBuffers.h"
#include "RegistryLayout.h"

#include <cstring>

using namespace platform;

// What the Windows services fill in: eight bytes of the call's own results
// (the reply count or status, the last error or size), then the buffer.
FUZZ_TARGET(input)
{
    quint32 results[2] = {};
    std::memcpy(results, input.data(), std::min(input.size(), sizeof results));
    const QByteArrayView buffer = QByteArrayView(input.data(), qsizetype(input.size()))
                                      .sliced(std::min(input.size(), sizeof results));
    // The echo reply's data pointer counts from a buffer at 0x10000.
    const EchoReply reply = icmpreply::decode(buffer, 0x10000, results[0], results[1]);
    FUZZ_CHECK(reply.data.isEmpty() || (reply.status == 0 && buffer.contains(reply.data)));
    FUZZ_CHECK(netbios::adapterNumbers(buffer).size() < std::max<qsizetype>(1, buffer.size()));
    if (const auto address = netbios::hardwareAddress(buffer))
        FUZZ_CHECK(address->size() == 6);
    if (const auto text = registry::valueText(long(results[0] & 1), buffer, results[1]))
        FUZZ_CHECK(text->size() < buffer.size() && buffer.startsWith(*text));
    consoleEventAction(results[0]);
}
