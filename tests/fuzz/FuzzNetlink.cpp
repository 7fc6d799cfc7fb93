#include "FuzzTarget.h"

#include "NetlinkMessages.h"

using namespace platform::detail;

// One read from a routing netlink socket, answering request 1: every
// message handed on lies whole within the read, and what is decoded of it
// lies within the message.
FUZZ_TARGET(input)
{
    const char *begin = input.data(), *end = begin + input.size();
    readAnswers(begin, input.size(), 1, [&](const nlmsghdr &m) {
        const char *at = reinterpret_cast<const char *>(&m);
        FUZZ_CHECK(at >= begin && m.nlmsg_len <= size_t(end - at) && m.nlmsg_seq == 1);
        const qsizetype room = m.nlmsg_len;
        if (const auto link = linkEntry(m))
            FUZZ_CHECK(link->hardwareAddress.size() < room);
        if (const auto n = neighbourEntry(m))
            FUZZ_CHECK(n->destination.size() + n->hardwareAddress.size() < room);
        routeEntry(m);
    });
}
