#include "FuzzTarget.h"

#include "ClientAddress.h"

using namespace ipd;

// "PEER RANGE", then a line with the proxy header's value, if any. An
// untrusted peer is shown itself; whoever is shown is written as the page
// writes addresses; X-Real-IP shows the peer or the one address it names.
void fuzz(std::string_view input)
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
    FUZZ_CHECK(chooseClientAddress(*peer, value, {}, ProxyHeader::XForwardedFor) == peer);
    const std::vector trusted{range.value_or(AddressRange{*peer, 0})};
    const auto shown = chooseClientAddress(*peer, value, trusted, ProxyHeader::XForwardedFor);
    FUZZ_CHECK(!shown || parseForwardedAddress(addressText(*shown)) == shown);
    const auto real = chooseClientAddress(*peer, value, trusted, ProxyHeader::XRealIp);
    FUZZ_CHECK(!real || real == peer || real == parseForwardedAddress(*value));
}
