#pragma once

#include "ClientAddress.h"

#include <boost/asio/ip/address.hpp>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ipd {

// One address and port to listen on. Port 0 lets the system choose, which the
// tests use to avoid racing for a free port.
struct ListenAddress
{
    boost::asio::ip::address address;
    std::uint16_t port = 0;

    bool operator==(const ListenAddress &) const = default;
};

// "127.0.0.1:8080" or "[::1]:8080". Only numeric addresses: a server that
// listens where a name happens to resolve at start-up listens somewhere
// nobody chose. An IPv6 address needs its brackets, otherwise its last group
// and the port cannot be told apart.
std::optional<ListenAddress> parseListenAddress(std::string_view text);

// "127.0.0.1:8080" or "[::1]:8080", the form parseListenAddress reads.
std::string listenAddressText(const ListenAddress &listen);

struct Config
{
    std::vector<ListenAddress> listen;
    unsigned threads = 1;
    std::vector<AddressRange> trustedProxies;
    // Always named on the command line when trustedProxies is not empty.
    ProxyHeader proxyHeader = ProxyHeader::XForwardedFor;
    // Every connection costs a descriptor and about ten kilobytes, whatever
    // its header is made of; this bounds both, whatever a flood of clients
    // does.
    std::size_t maxConnections = 4096;
    // How long a client may take to send one request's header (including
    // the wait for it on a kept-alive connection) and to take one answer.
    std::chrono::seconds requestTimeout{10};
    std::chrono::seconds logInterval{60};
};

struct ParseResult
{
    Config config;
    bool help = false;
    // Empty when the arguments were understood.
    std::string error;
};

// Reads the command line (without the program name). defaultThreads is what
// --threads means when it is not given: one per core is the caller's choice.
ParseResult parseArguments(const std::vector<std::string> &args, unsigned defaultThreads);

std::string usageText();

// Descriptors the server holds besides its connections: each thread has its
// own copy of every listening socket, an epoll, an eventfd and a timerfd, and
// may hold one new connection before the cap lets another go; the process has
// its standard streams, the start-up and signal loops and a little room.
std::uint64_t ownDescriptors(const Config &config);

// Fits config into a limit of open descriptors: fewer connections, and fewer
// threads when not every thread would have one. False when even one thread
// with one connection does not fit.
bool fitDescriptorLimit(Config &config, std::uint64_t limit);

} // namespace ipd
