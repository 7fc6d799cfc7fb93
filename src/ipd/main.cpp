// quorvel-ipd: the public-IP page as a small stand-alone server.
#include "Counters.h"
#include "IpdConfig.h"
#include "Server.h"

#include <boost/asio/io_context.hpp>
#include <boost/asio/signal_set.hpp>
#include <boost/asio/steady_timer.hpp>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <exception>
#include <functional>
#include <string>
#include <thread>

#include <sys/resource.h>

namespace {

// One whole line per write, so lines from the counters timer and from
// start-up never mix in the journal.
void logLine(const std::string &text)
{
    const std::string line = "quorvel-ipd: " + text + '\n';
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

// Each connection is a descriptor, and so are each thread's own. Raise the
// soft limit as far as allowed and, if that is still too low, accept fewer
// connections rather than fail to accept at random later.
bool fitDescriptorLimit(ipd::Config &config)
{
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return true;
    const rlim_t wanted = config.maxConnections + ipd::ownDescriptors(config);
    if (limit.rlim_cur < wanted) {
        limit.rlim_cur =
            limit.rlim_max == RLIM_INFINITY ? wanted : std::min(wanted, limit.rlim_max);
        setrlimit(RLIMIT_NOFILE, &limit);
        getrlimit(RLIMIT_NOFILE, &limit);
    }
    const std::string said = "descriptor limit " + std::to_string(limit.rlim_cur);
    const std::size_t asked = config.maxConnections;
    if (!ipd::fitDescriptorLimit(config, limit.rlim_cur)) {
        logLine(said + " is too low: one thread with one connection needs " +
                std::to_string(ipd::ownDescriptors(config) + 1));
        return false;
    }
    if (config.maxConnections < asked)
        logLine(said + ": at most " + std::to_string(config.maxConnections) + " connections");
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    ipd::ParseResult parsed = ipd::parseArguments(args, std::thread::hardware_concurrency());
    if (parsed.help) {
        std::fputs(ipd::usageText().c_str(), stdout);
        return 0;
    }
    if (!parsed.error.empty()) {
        std::fprintf(stderr, "quorvel-ipd: %s\n\n%s", parsed.error.c_str(),
                     ipd::usageText().c_str());
        return 2;
    }
    ipd::Config config = parsed.config;

    try {
        // A client that vanishes mid-answer must not end the server.
        std::signal(SIGPIPE, SIG_IGN);
        if (!fitDescriptorLimit(config))
            return 1;

        ipd::Server server(config);
        std::string error;
        if (!server.open(error)) {
            logLine(error);
            return 1;
        }
        for (const auto &endpoint : server.endpoints()) {
            const ipd::ListenAddress l{endpoint.address(), endpoint.port()};
            logLine("listening on " + ipd::listenAddressText(l));
        }
        logLine(std::to_string(config.threads) + " threads, at most " +
                std::to_string(config.maxConnections) + " connections");

        boost::asio::io_context control;
        boost::asio::signal_set signals(control, SIGTERM, SIGINT);
        boost::asio::steady_timer ticker(control);
        ipd::Counters last;
        auto lastTime = std::chrono::steady_clock::now();

        std::function<void()> tick = [&] {
            ticker.expires_after(config.logInterval);
            ticker.async_wait([&](boost::system::error_code ec) {
                if (ec)
                    return;
                const ipd::Counters now = server.totals();
                logLine(ipd::formatCountersLine(now - last, server.openConnections(),
                                                config.logInterval));
                last = now;
                lastTime = std::chrono::steady_clock::now();
                tick();
            });
        };

        signals.async_wait([&](boost::system::error_code ec, int signal) {
            if (ec)
                return;
            ticker.cancel();
            logLine(std::string("stopping on ") + (signal == SIGTERM ? "SIGTERM" : "SIGINT"));
            server.stop();
            // What happened since the last counters line, so nothing is lost.
            const auto since = std::chrono::duration_cast<std::chrono::seconds>(
                std::chrono::steady_clock::now() - lastTime);
            logLine(
                ipd::formatCountersLine(server.totals() - last, server.openConnections(), since) +
                " (stopped)");
        });

        server.start();
        tick();
        control.run();
        return 0;
    } catch (const std::exception &e) {
        logLine(std::string("fatal: ") + e.what());
        return 1;
    }
}
