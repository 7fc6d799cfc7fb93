#pragma once

#include "Counters.h"
#include "IpdConfig.h"

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace ipd {

class Worker;

// The sockets around the pure rules: one event loop per thread, each
// accepting from every listening socket, each owning its own connections, so
// no request ever takes a lock.
class Server
{
public:
    explicit Server(Config config);
    ~Server();

    // Binds and listens on every address; false with the reason in error.
    bool open(std::string &error);
    // Where it listens, with the ports the system chose for port 0.
    std::vector<boost::asio::ip::tcp::endpoint> endpoints() const { return m_endpoints; }

    void start();
    // Stops accepting, closes every connection and joins the threads.
    void stop();

    Counters totals() const;
    std::uint64_t openConnections() const;

private:
    Config m_config;
    boost::asio::io_context m_bindContext;
    std::vector<boost::asio::ip::tcp::acceptor> m_listeners;
    std::vector<boost::asio::ip::tcp::endpoint> m_endpoints;
    std::vector<std::unique_ptr<Worker>> m_workers;
    std::vector<Worker *> m_workerList;
    // When a worker last let a connection go for want of descriptors.
    std::atomic<std::chrono::steady_clock::rep> m_lastEviction{0};
};

} // namespace ipd
