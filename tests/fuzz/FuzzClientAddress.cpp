#include "FuzzTarget.h"

#include "ClientAddress.h"

using namespace ipd;

// The line "peer range" (a trusted range), then the proxy header's value,
// if any. Whoever is shown is the peer or an element of the header, and
// shown as the page writes addresses: no port, zone or IPv4-in-IPv6.
FUZZ_TARGET(input)
{
    const std::string_view head = input.substr(0, input.find('\n'));
    const std::size_t blank = std::min(head.find(' '), head.size());
    const auto peer = parseForwardedAddress(head.substr(0, blank));
    const auto range = parseAddressRange(head.substr(std::min(blank + 1, head.size())));
    FUZZ_CHECK(!range || range->contains(range->network));
    if (!peer)
        return;
    std::optional<std::string> value;
    if (head.size() < input.size())
        value = input.substr(head.size() + 1);
    const std::string header = value.value_or("");
    for (const ProxyHeader which : {ProxyHeader::XForwardedFor, ProxyHeader::XRealIp}) {
        const auto shown =
            chooseClientAddress(*peer, value, {range.value_or(AddressRange{*peer, 0})}, which);
        bool named = shown == peer;
        for (std::string_view rest = header; !named && !rest.empty();) {
            const std::size_t comma = std::min(rest.find(','), rest.size());
            named = parseForwardedAddress(rest.substr(0, comma)) == shown;
            rest.remove_prefix(std::min(comma + 1, rest.size()));
        }
        FUZZ_CHECK(!shown || (named && parseForwardedAddress(addressText(*shown)) == shown));
    }
}
