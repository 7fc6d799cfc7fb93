#include "FuzzTarget.h"

#include "ConsoleEvents.h"
#include "IcmpEchoReply.h"
#include "NetBiosBuffers.h"
#include "RegistryLayout.h"

using namespace platform;

// Two numbers the Windows call returned (its count or status, its error or
// size), then the buffer it filled: nothing is read from outside the buffer.
void fuzz(std::string_view input)
{
    quint32 r[2] = {};
    memcpy(r, input.data(), std::min(input.size(), sizeof r));
    const auto buffer =
        QByteArrayView(input.data(), input.size()).sliced(std::min(input.size(), sizeof r));
    const EchoReply reply = icmpreply::decode(buffer, 0x10000, r[0], r[1]); // a buffer at 0x10000
    FUZZ_CHECK(reply.data.isEmpty() || (reply.status == 0 && buffer.contains(reply.data)));
    FUZZ_CHECK(netbios::adapterNumbers(buffer).size() < std::max<qsizetype>(1, buffer.size()));
    FUZZ_CHECK(netbios::hardwareAddress(buffer).value_or("123456").size() == 6);
    const auto text = registry::valueText(long(r[0] & 1), buffer, r[1]);
    FUZZ_CHECK(!text || (text->size() < buffer.size() && buffer.startsWith(*text)));
    consoleEventAction(r[0]);
}
