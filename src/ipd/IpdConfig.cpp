#include "IpdConfig.h"

#include <algorithm>
#include <charconv>

namespace ipd {

namespace {

template <typename Number>
std::optional<Number> parseNumber(std::string_view s, Number lowest, Number highest)
{
    Number value{};
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (s.empty() || ec != std::errc() || end != s.data() + s.size() || value < lowest ||
        value > highest)
        return std::nullopt;
    return value;
}

} // namespace

std::optional<ListenAddress> parseListenAddress(std::string_view text)
{
    std::string_view host;
    std::string_view port;
    if (!text.empty() && text.front() == '[') {
        const std::size_t close = text.find(']');
        if (close == std::string_view::npos || close + 1 >= text.size() || text[close + 1] != ':')
            return std::nullopt;
        host = text.substr(1, close - 1);
        port = text.substr(close + 2);
    } else {
        const std::size_t colon = text.rfind(':');
        if (colon == std::string_view::npos)
            return std::nullopt;
        host = text.substr(0, colon);
        port = text.substr(colon + 1);
    }
    const std::optional<address> a = parseNumericAddress(host);
    const std::optional<unsigned> p = parseNumber<unsigned>(port, 0, 65535);
    if (!a || !p)
        return std::nullopt;
    // Brackets and IPv6 go together, both ways.
    if (a->is_v6() != (text.front() == '['))
        return std::nullopt;
    return ListenAddress{*a, static_cast<std::uint16_t>(*p)};
}

std::string listenAddressText(const ListenAddress &listen)
{
    const std::string host = listen.address.to_string();
    const std::string port = std::to_string(listen.port);
    return listen.address.is_v6() ? '[' + host + "]:" + port : host + ':' + port;
}

ParseResult parseArguments(const std::vector<std::string> &args, unsigned defaultThreads)
{
    ParseResult result;
    Config &config = result.config;
    config.threads = defaultThreads == 0 ? 1 : defaultThreads;
    bool threadsGiven = false;
    bool headerGiven = false;

    auto fail = [&result](std::string message) {
        result.error = std::move(message);
        return result;
    };

    // Asking for help gets help, whatever else is wrong with the line.
    for (const std::string &arg : args) {
        if (arg == "--help" || arg == "-h") {
            result.help = true;
            return result;
        }
    }

    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string_view arg = args[i];
        // Both "--name value" and "--name=value".
        std::string_view name = arg;
        std::optional<std::string_view> value;
        if (arg.starts_with("--")) {
            const std::size_t eq = arg.find('=');
            if (eq != std::string_view::npos) {
                name = arg.substr(0, eq);
                value = arg.substr(eq + 1);
            }
        }
        const bool known = name == "--listen" || name == "--threads" || name == "--trust-proxy" ||
                           name == "--proxy-header" || name == "--max-connections" ||
                           name == "--request-timeout" || name == "--log-interval";
        if (!known)
            return fail("unknown option '" + std::string(arg) + "'");
        if (!value) {
            if (i + 1 >= args.size())
                return fail(std::string(name) + " needs a value");
            value = args[++i];
        }
        const std::string shown(*value);

        if (name == "--listen") {
            const std::optional<ListenAddress> l = parseListenAddress(*value);
            if (!l)
                return fail("--listen: '" + shown +
                            "' is not ADDRESS:PORT (IPv6 in brackets: [::1]:8080)");
            config.listen.push_back(*l);
        } else if (name == "--threads") {
            const auto n = parseNumber<unsigned>(*value, 1, 256);
            if (!n)
                return fail("--threads: '" + shown + "' is not a number from 1 to 256");
            config.threads = *n;
            threadsGiven = true;
        } else if (name == "--trust-proxy") {
            const std::optional<AddressRange> r = parseAddressRange(*value);
            if (!r)
                return fail("--trust-proxy: '" + shown + "' is not an ADDRESS or ADDRESS/PREFIX");
            config.trustedProxies.push_back(*r);
        } else if (name == "--proxy-header") {
            std::string lower(*value);
            for (char &c : lower)
                c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
            headerGiven = true;
            if (lower == "x-forwarded-for")
                config.proxyHeader = ProxyHeader::XForwardedFor;
            else if (lower == "x-real-ip")
                config.proxyHeader = ProxyHeader::XRealIp;
            else
                return fail("--proxy-header: '" + shown +
                            "' is neither X-Forwarded-For nor X-Real-IP");
        } else if (name == "--max-connections") {
            const auto n = parseNumber<std::size_t>(*value, 1, 1000000);
            if (!n)
                return fail("--max-connections: '" + shown + "' is not a number from 1 to 1000000");
            config.maxConnections = *n;
        } else if (name == "--request-timeout") {
            const auto n = parseNumber<unsigned>(*value, 1, 3600);
            if (!n)
                return fail("--request-timeout: '" + shown +
                            "' is not a number of seconds from 1 to 3600");
            config.requestTimeout = std::chrono::seconds(*n);
        } else if (name == "--log-interval") {
            const auto n = parseNumber<unsigned>(*value, 1, 86400);
            if (!n)
                return fail("--log-interval: '" + shown +
                            "' is not a number of seconds from 1 to 86400");
            config.logInterval = std::chrono::seconds(*n);
        }
    }

    if (config.listen.empty())
        return fail("no --listen given: say where to listen, for example --listen 127.0.0.1:8080");
    for (std::size_t i = 0; i < config.listen.size(); ++i) {
        for (std::size_t j = 0; j < i; ++j) {
            if (config.listen[i] == config.listen[j] && config.listen[i].port != 0)
                return fail("--listen " + listenAddressText(config.listen[i]) + " is given twice");
        }
    }
    if (headerGiven && config.trustedProxies.empty())
        return fail("--proxy-header only matters with --trust-proxy");
    if (!config.trustedProxies.empty() && !headerGiven)
        return fail("--trust-proxy needs --proxy-header X-Forwarded-For or --proxy-header "
                    "X-Real-IP: name the one header your balancer sets; the other reaches us as "
                    "the client wrote it, and would be believed");
    // A connection never needs more than one thread; more threads than
    // allowed connections would only sit idle.
    if (!threadsGiven && config.threads > config.maxConnections)
        config.threads = static_cast<unsigned>(config.maxConnections);
    if (config.threads > config.maxConnections)
        return fail("--threads is larger than --max-connections");
    return result;
}

std::string usageText()
{
    return "Usage: quorvel-ipd --listen ADDRESS:PORT [--listen ...] [options]\n"
           "\n"
           "Answers GET /quorvel.php with the caller's address:\n"
           "  Your IP address is: <b>ADDRESS</b>\n"
           "\n"
           "Options:\n"
           "  --listen ADDRESS:PORT    where to listen; IPv6 in brackets ([::]:8080);\n"
           "                           may be given more than once\n"
           "  --threads N              worker threads (default: one per core)\n"
           "  --trust-proxy ADDR[/P]   a load balancer or proxy whose header names the\n"
           "                           client; may be given more than once. Without it\n"
           "                           no header is believed.\n"
           "  --proxy-header NAME      X-Forwarded-For or X-Real-IP: the header the trusted\n"
           "                           proxies set (required with --trust-proxy). One that\n"
           "                           does not name a client is answered 400.\n"
           "  --max-connections N      open connections at most (default 4096, fewer when\n"
           "                           the descriptor limit is lower); when full, or out\n"
           "                           of descriptors, the one that has waited longest\n"
           "                           for its request is closed\n"
           "  --request-timeout S      seconds a client has to send a request header or\n"
           "                           take an answer (default 10)\n"
           "  --log-interval S         seconds between counter lines on stderr (default 60)\n"
           "  --help                   this text\n"
           "\n"
           "A request header has at most 8 KiB and 100 fields (431 past either) and no\n"
           "Transfer-Encoding (400).\n"
           "\n"
           "SIGTERM or SIGINT stops it: no new connections, open ones are closed.\n";
}

namespace {

// Per thread: epoll, eventfd, timerfd, one connection on its way in.
constexpr std::uint64_t kThreadDescriptors = 4;
// Standard streams 3, the start-up and the signal loops 3 each, the signal
// pipe 2, and room for a burst of connections handed between threads.
constexpr std::uint64_t kProcessDescriptors = 32;

} // namespace

std::uint64_t ownDescriptors(const Config &config)
{
    return kProcessDescriptors + config.threads * (kThreadDescriptors + config.listen.size());
}

bool fitDescriptorLimit(Config &config, std::uint64_t limit)
{
    while (config.threads > 1 && ownDescriptors(config) + config.threads > limit)
        --config.threads;
    const std::uint64_t own = ownDescriptors(config);
    if (own + config.threads > limit)
        return false;
    config.maxConnections = std::min<std::uint64_t>(config.maxConnections, limit - own);
    return true;
}

} // namespace ipd
