#include "FuzzTarget.h"

#include "NetlinkMessages.h"

using namespace platform::detail;

// One read of a routing netlink socket, answering request 1: each message
// handed on lies whole within the read, each part decoded within it.
void fuzz(std::string_view input)
{
    readAnswers(input.data(), input.size(), 1, [&](const nlmsghdr &m) {
        const auto at = reinterpret_cast<const char *>(&m) - input.data();
        FUZZ_CHECK(at >= 0 && m.nlmsg_len <= input.size() - at && m.nlmsg_seq == 1);
        const auto n = neighbourEntry(m);
        const auto link = linkEntry(m);
        routeEntry(m);
        FUZZ_CHECK((n ? n->destination.size() + n->hardwareAddress.size() : 0) +
                       (link ? link->hardwareAddress.size() : 0) <
                   qsizetype(m.nlmsg_len));
    });
}
