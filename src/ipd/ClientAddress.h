#pragma once

#include <boost/asio/ip/address.hpp>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ipd {

using boost::asio::ip::address;

// A trusted proxy: one address, or a network written ADDR/PREFIX (load
// balancers often come from a pool rather than a single address).
struct AddressRange
{
    address network;
    unsigned prefix = 0; // 32 or 128 for a single address

    bool contains(const address &a) const;
    bool operator==(const AddressRange &) const = default;
};

std::optional<AddressRange> parseAddressRange(std::string_view text);

// A complete numeric address, nothing else: no host names, no zone index
// (which would make the parser look up interface names; nothing we read has
// a reason to carry one).
std::optional<address> parseNumericAddress(std::string_view text);

// Which header a trusted proxy names the client in. There is no default: a
// balancer that sets one passes the other through as the client wrote it.
enum class ProxyHeader
{
    XForwardedFor,
    XRealIp,
};

// "X-Forwarded-For" or "X-Real-IP".
std::string_view proxyHeaderName(ProxyHeader which);

// An IPv4 client reached through an IPv6 socket shows up as ::ffff:a.b.c.d;
// its public address is a.b.c.d. A zone index (fe80::1%2) names one of our
// own interfaces and means nothing to the client, so it is dropped.
address normalizeAddress(const address &a);

// The address as the page shows it: dotted IPv4, or RFC 5952 IPv6.
std::string addressText(const address &a);

// One element of X-Forwarded-For or the value of X-Real-IP: an address,
// possibly with a port ("192.0.2.7:4711", "[2001:db8::1]:4711") because some
// proxies write one. Anything else is not an address.
std::optional<address> parseForwardedAddress(std::string_view text);

// Whose address the page shows. Only a peer on the trusted list may speak for
// someone else, and only in the header the operator named: value is every
// line of it joined with commas (nullopt: the header is absent, and the peer,
// for example the balancer's own health check, is shown). X-Forwarded-For is
// read from the right, the end the nearest proxy wrote: trusted hops are
// skipped and the first address that is not trusted is the client
// (everything to its left is the client's own claim). X-Real-IP must be one
// address. nullopt: a trusted peer's header does not name a client, so the
// proxy chain is not what the operator said it is; shown, the proxy's own
// address would pass for the client's.
std::optional<address> chooseClientAddress(const address &peer,
                                           const std::optional<std::string> &value,
                                           const std::vector<AddressRange> &trusted,
                                           ProxyHeader which);

} // namespace ipd
