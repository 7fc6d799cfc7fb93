#include "ClientAddress.h"

#include <charconv>

namespace ipd {

namespace {

bool isOws(char c)
{
    return c == ' ' || c == '\t';
}

std::string_view trimOws(std::string_view s)
{
    while (!s.empty() && isOws(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isOws(s.back()))
        s.remove_suffix(1);
    return s;
}

bool isPort(std::string_view s)
{
    if (s.empty() || s.size() > 5)
        return false;
    unsigned value = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    return ec == std::errc() && end == s.data() + s.size() && value <= 65535;
}

} // namespace

address normalizeAddress(const address &a)
{
    if (!a.is_v6())
        return a;
    boost::asio::ip::address_v6 v6 = a.to_v6();
    if (v6.is_v4_mapped())
        return boost::asio::ip::make_address_v4(boost::asio::ip::v4_mapped, v6);
    if (v6.scope_id() != 0)
        v6.scope_id(0);
    return v6;
}

std::string addressText(const address &a)
{
    return normalizeAddress(a).to_string();
}

bool AddressRange::contains(const address &candidate) const
{
    const address a = normalizeAddress(candidate);
    if (a.is_v4() != network.is_v4())
        return false;
    unsigned char want[16];
    unsigned char have[16];
    std::size_t size = 0;
    if (a.is_v4()) {
        const auto n = network.to_v4().to_bytes();
        const auto h = a.to_v4().to_bytes();
        std::copy(n.begin(), n.end(), want);
        std::copy(h.begin(), h.end(), have);
        size = 4;
    } else {
        const auto n = network.to_v6().to_bytes();
        const auto h = a.to_v6().to_bytes();
        std::copy(n.begin(), n.end(), want);
        std::copy(h.begin(), h.end(), have);
        size = 16;
    }
    unsigned bits = prefix;
    for (std::size_t i = 0; i < size && bits > 0; ++i) {
        const unsigned take = bits >= 8 ? 8 : bits;
        const unsigned char mask = static_cast<unsigned char>(0xFF00u >> take);
        if ((want[i] & mask) != (have[i] & mask))
            return false;
        bits -= take;
    }
    return true;
}

// inet_pton underneath: accepts nothing but a complete numeric address. It
// reads a C string, so whatever follows a NUL would go unseen.
std::optional<address> parseNumericAddress(std::string_view s)
{
    if (s.empty() || s.find_first_of(std::string_view("%\0", 2)) != std::string_view::npos)
        return std::nullopt;
    boost::system::error_code ec;
    const address a = boost::asio::ip::make_address(std::string(s), ec);
    if (ec)
        return std::nullopt;
    return a;
}

std::optional<AddressRange> parseAddressRange(std::string_view text)
{
    const std::size_t slash = text.find('/');
    const std::optional<address> a = parseNumericAddress(text.substr(0, slash));
    if (!a)
        return std::nullopt;
    const address network = normalizeAddress(*a);
    const unsigned width = a->is_v4() ? 32 : 128;
    unsigned prefix = width;
    if (slash != std::string_view::npos) {
        const std::string_view digits = text.substr(slash + 1);
        const auto [end, ec] =
            std::from_chars(digits.data(), digits.data() + digits.size(), prefix);
        if (digits.empty() || ec != std::errc() || end != digits.data() + digits.size() ||
            prefix > width)
            return std::nullopt;
    }
    // "::ffff:10.0.0.0/104" was written for IPv4 clients; keep its meaning
    // after the address became 10.0.0.0.
    if (a->is_v6() && network.is_v4()) {
        if (prefix < 96)
            return std::nullopt;
        prefix -= 96;
    }
    return AddressRange{network, prefix};
}

std::optional<address> parseForwardedAddress(std::string_view text)
{
    std::string_view s = trimOws(text);
    if (!s.empty() && s.front() == '[') {
        const std::size_t close = s.find(']');
        if (close == std::string_view::npos)
            return std::nullopt;
        const std::string_view rest = s.substr(close + 1);
        if (!rest.empty() && !(rest.front() == ':' && isPort(rest.substr(1))))
            return std::nullopt;
        const std::optional<address> a = parseNumericAddress(s.substr(1, close - 1));
        if (!a || !a->is_v6())
            return std::nullopt;
        return normalizeAddress(*a);
    }
    // One colon can only be IPv4 with a port; more colons are IPv6 without.
    const std::size_t colon = s.find(':');
    if (colon != std::string_view::npos && s.find(':', colon + 1) == std::string_view::npos) {
        if (!isPort(s.substr(colon + 1)))
            return std::nullopt;
        const std::optional<address> a = parseNumericAddress(s.substr(0, colon));
        if (!a || !a->is_v4())
            return std::nullopt;
        return a;
    }
    const std::optional<address> a = parseNumericAddress(s);
    if (!a)
        return std::nullopt;
    return normalizeAddress(*a);
}

namespace {

bool isTrusted(const address &a, const std::vector<AddressRange> &trusted)
{
    for (const AddressRange &r : trusted) {
        if (r.contains(a))
            return true;
    }
    return false;
}

// Walks the list from its right end. nullopt: a hop did not parse.
std::optional<address> fromForwardedFor(std::string_view rest, const address &peer,
                                        const std::vector<AddressRange> &trusted)
{
    // Every hop one of ours: the first of them is as close to the client as
    // the chain lets us see; no hop at all names no one.
    address leftmost = peer;
    while (true) {
        const std::size_t comma = rest.rfind(',');
        const std::string_view element =
            comma == std::string_view::npos ? rest : rest.substr(comma + 1);
        // Empty list elements are allowed by the list syntax and say nothing.
        if (!trimOws(element).empty()) {
            const std::optional<address> a = parseForwardedAddress(element);
            if (!a || !isTrusted(*a, trusted))
                return a;
            leftmost = *a;
        }
        if (comma == std::string_view::npos)
            return leftmost;
        rest = rest.substr(0, comma);
    }
}

} // namespace

std::string_view proxyHeaderName(ProxyHeader which)
{
    return which == ProxyHeader::XRealIp ? "X-Real-IP" : "X-Forwarded-For";
}

std::optional<address> chooseClientAddress(const address &peer,
                                           const std::optional<std::string> &value,
                                           const std::vector<AddressRange> &trusted,
                                           ProxyHeader which)
{
    const address self = normalizeAddress(peer);
    if (!value || !isTrusted(self, trusted))
        return self;
    if (which == ProxyHeader::XForwardedFor)
        return fromForwardedFor(*value, self, trusted);
    // A proxy that sets X-Real-IP replaces the client's own; a list, or two
    // lines, mean one came from the client, and nothing says which.
    return parseForwardedAddress(*value);
}

} // namespace ipd
