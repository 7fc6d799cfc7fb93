#include "Server.h"

#include "ClientAddress.h"
#include "PageResponse.h"
#include "RequestParser.h"

#include <boost/asio/ip/v6_only.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/write.hpp>
#include <boost/beast/core/flat_static_buffer.hpp>
#include <boost/beast/http/read.hpp>

#include <atomic>
#include <list>
#include <optional>
#include <thread>

#include <unistd.h>

namespace ipd {

namespace net = boost::asio;
namespace beast = boost::beast;
namespace http = boost::beast::http;
using boost::system::error_code;
using net::ip::tcp;

namespace {

// A request header larger than this is not the program's, nor any browser's
// asking for this page (nginx's default for a single header line is the same).
constexpr std::uint32_t kHeaderLimit = 8 * 1024;
// Room for a full header plus the start of a pipelined next request; a
// little above the limit so that an oversized header is reported as such
// rather than as a full buffer.
constexpr std::size_t kBufferBytes = kHeaderLimit + 1024;
// After an error answer: how long, and how much, we keep reading what the
// client still sends, so that closing does not reset the connection before
// the client has read why.
constexpr std::chrono::seconds kLingerTime{2};
constexpr std::size_t kLingerBytes = 64 * 1024;
// Accept failed for a reason a closed connection does not mend: wait instead
// of spinning on the error.
constexpr std::chrono::milliseconds kAcceptRetry{100};
// Out of descriptors, one connection at most is let go per this time: every
// worker's accept fails at once on the same waiting client, and one closed
// connection is all that client needs.
constexpr std::chrono::milliseconds kEvictionGap{1};
// How often a worker looks for connections past their deadline. Deadlines
// are checked by one sweep a second instead of a timer per read and write:
// a request costs no timer work at all, and a slow client is still cut off
// within a second of its time.
constexpr std::chrono::seconds kSweepInterval{1};

using Clock = std::chrono::steady_clock;
// Sockets bound to the worker's own loop type: no type-erased executor in
// every operation.
using Socket = net::basic_stream_socket<tcp, net::io_context::executor_type>;
using Acceptor = net::basic_socket_acceptor<tcp, net::io_context::executor_type>;

// Written by one worker thread, read by the logging thread: a relaxed store
// is enough and costs nothing like a locked increment.
void bump(std::atomic<std::uint64_t> &c, std::uint64_t by = 1)
{
    c.store(c.load(std::memory_order_relaxed) + by, std::memory_order_relaxed);
}

struct alignas(64) WorkerCounters
{
    std::atomic<std::uint64_t> accepted{0};
    std::atomic<std::uint64_t> evicted{0};
    std::atomic<std::uint64_t> acceptErrors{0};
    std::atomic<std::uint64_t> ok{0};
    std::atomic<std::uint64_t> notFound{0};
    std::atomic<std::uint64_t> notAllowed{0};
    std::atomic<std::uint64_t> badRequest{0};
    std::atomic<std::uint64_t> tooLarge{0};
    std::atomic<std::uint64_t> timedOut{0};
    // Connections this worker owns or is about to be handed. Unlike the
    // others it is written by other threads too, so it takes real atomic
    // increments; that happens once per connection, not per request.
    std::atomic<std::int64_t> open{0};

    Counters snapshot() const
    {
        constexpr auto r = std::memory_order_relaxed;
        Counters c;
        c.accepted = accepted.load(r);
        c.evicted = evicted.load(r);
        c.acceptErrors = acceptErrors.load(r);
        c.ok = ok.load(r);
        c.notFound = notFound.load(r);
        c.notAllowed = notAllowed.load(r);
        c.badRequest = badRequest.load(r);
        c.tooLarge = tooLarge.load(r);
        c.timedOut = timedOut.load(r);
        return c;
    }
};

const boost::system::error_category &httpCategory()
{
    static const boost::system::error_category &category =
        http::make_error_code(http::error::bad_method).category();
    return category;
}

} // namespace

class Connection;

// One thread with its own event loop and its own share of the connections.
class Worker
{
public:
    Worker(const Config &config, std::size_t cap)
        : m_config(config), m_cap(cap),
          m_keptField(config.trustedProxies.empty() ? std::string_view()
                                                    : proxyHeaderName(config.proxyHeader)),
          m_sweep(m_ioc.get_executor())
    {
    }

    // All workers, this one included, so that a connection can go to the
    // least busy of them; and when any of them last let a connection go
    // for want of descriptors.
    void setPeers(const std::vector<Worker *> *peers, std::atomic<Clock::rep> *lastEviction)
    {
        m_peers = peers;
        m_lastEviction = lastEviction;
    }
    std::int64_t load() const { return m_counters.open.load(std::memory_order_relaxed); }

    void addListener(const tcp::endpoint &local, int fd)
    {
        auto l = std::make_unique<Listener>(m_ioc);
        l->acceptor.assign(local.protocol(), fd);
        m_listeners.push_back(std::move(l));
    }

    void start()
    {
        for (auto &l : m_listeners)
            accept(*l);
        sweep();
        m_thread = std::thread([this] {
            m_ioc.run();
            m_finished.store(true);
        });
    }

    // Asks the loop to close everything; it ends once nothing is left.
    void requestStop()
    {
        net::post(m_ioc, [this] { closeAll(); });
    }
    bool finished() const { return m_finished.load(); }
    void forceStop() { m_ioc.stop(); }
    void join()
    {
        if (m_thread.joinable())
            m_thread.join();
    }

    const Config &config() const { return m_config; }
    // The field a trusted proxy names the client in; empty when none is trusted.
    std::string_view keptField() const { return m_keptField; }
    WorkerCounters &counters() { return m_counters; }
    const WorkerCounters &counters() const { return m_counters; }

    // Ordered by when each connection began waiting for its current request,
    // the longest-waiting first: that is the one a flood pushes out.
    std::list<Connection *> &connections() { return m_connections; }

    // The Date field changes once a second; format it once a second.
    std::string_view date()
    {
        const std::time_t now = std::time(nullptr);
        if (now != m_dateSecond) {
            m_dateSecond = now;
            m_date = httpDate(now);
        }
        return m_date;
    }

private:
    struct Listener
    {
        explicit Listener(net::io_context &ioc)
            : acceptor(ioc.get_executor()), retry(ioc.get_executor())
        {
        }
        Acceptor acceptor;
        net::basic_waitable_timer<Clock, net::wait_traits<Clock>, net::io_context::executor_type>
            retry;
    };

    void accept(Listener &l);
    bool makeRoom();
    void assign(Socket socket);
    void adopt(Socket socket);
    void sweep();
    void closeAll();

    const Config &m_config;
    const std::size_t m_cap;
    const std::string_view m_keptField;
    const std::vector<Worker *> *m_peers = nullptr;
    std::atomic<Clock::rep> *m_lastEviction = nullptr;
    WorkerCounters m_counters;
    // Declared before the loop so that connections the loop still holds when
    // it is destroyed can take themselves off the list.
    std::list<Connection *> m_connections;
    std::string m_date;
    std::time_t m_dateSecond = -1;
    bool m_stopping = false;
    std::atomic<bool> m_finished{false};
    // Concurrency hint 1: this loop is only ever run by its own thread.
    net::io_context m_ioc{1};
    net::basic_waitable_timer<Clock, net::wait_traits<Clock>, net::io_context::executor_type>
        m_sweep;
    std::vector<std::unique_ptr<Listener>> m_listeners;
    std::thread m_thread;
};

// One client connection: read a header, answer, repeat while kept alive.
class Connection : public std::enable_shared_from_this<Connection>
{
public:
    Connection(Worker &worker, Socket socket) : m_worker(worker), m_socket(std::move(socket))
    {
        // The worker's load was counted when the connection was assigned.
        m_worker.connections().push_back(this);
        m_position = std::prev(m_worker.connections().end());
    }

    ~Connection() { forget(); }

    void start()
    {
        error_code ec;
        // Answers are one small write each; waiting to coalesce them only
        // adds latency.
        m_socket.set_option(tcp::no_delay(true), ec);
        const tcp::endpoint remote = m_socket.remote_endpoint(ec);
        if (ec) {
            close();
            return;
        }
        m_peer = normalizeAddress(remote.address());
        m_peerText = addressText(m_peer);
        readRequest();
    }

    void close()
    {
        if (m_closed)
            return;
        m_closed = true;
        forget();
        error_code ec;
        m_socket.close(ec);
    }

    // Called by the sweep: a client that has not finished what it was
    // doing by its deadline loses the connection.
    bool expired(Clock::time_point now) const { return now >= m_deadline; }
    void timeOut()
    {
        // One that runs out of time while lingering already has its answer.
        if (!m_lingering)
            bump(m_worker.counters().timedOut);
        close();
    }

private:
    void forget()
    {
        if (m_listed) {
            m_listed = false;
            m_worker.connections().erase(m_position);
            m_worker.counters().open.fetch_sub(1, std::memory_order_relaxed);
        }
    }

    void readRequest()
    {
        auto &list = m_worker.connections();
        list.splice(list.end(), list, m_position);
        // A parser reads exactly one message.
        m_parser.emplace(m_worker.keptField());
        m_parser->header_limit(kHeaderLimit);
        // The whole header must arrive within the time, however it trickles.
        m_deadline = Clock::now() + m_worker.config().requestTimeout;
        http::async_read_header(
            m_socket, m_buffer, *m_parser,
            [self = shared_from_this()](error_code ec, std::size_t) { self->onHeader(ec); });
    }

    void onHeader(error_code ec)
    {
        if (m_closed)
            return;
        if (!ec) {
            respond();
            return;
        }
        if (ec == http::error::header_limit || ec == http::error::buffer_overflow) {
            refuse(Status::HeaderTooLarge);
        } else if (ec.category() == httpCategory() && ec != http::error::end_of_stream &&
                   ec != http::error::partial_message) {
            refuse(Status::BadRequest);
        } else {
            // The client went away, between requests or in the middle of one.
            close();
        }
    }

    void respond()
    {
        const RequestParser &request = *m_parser;
        Status status = request.route();
        // A body we do not read would be taken for the next request.
        const bool keepAlive = request.keep_alive() && request.is_done();

        std::string_view client = m_peerText;
        std::string forwarded;
        const Config &config = m_worker.config();
        if (status == Status::Ok && !config.trustedProxies.empty()) {
            const std::optional<address> chosen = chooseClientAddress(
                m_peer, request.keptValue(), config.trustedProxies, config.proxyHeader);
            if (chosen) {
                forwarded = addressText(*chosen);
                client = forwarded;
            } else {
                status = Status::BadRequest;
            }
        }

        WorkerCounters &c = m_worker.counters();
        bump(status == Status::Ok                 ? c.ok
             : status == Status::NotFound         ? c.notFound
             : status == Status::MethodNotAllowed ? c.notAllowed
                                                  : c.badRequest);

        m_out.clear();
        appendResponse(m_out, {status, request.method(), client, keepAlive, request.http10(),
                               m_worker.date(), request.plainAddress()});
        // The answer holds all it needs; the request goes before the client
        // can make us hold it for as long as it does not read.
        m_parser.reset();
        m_deadline = Clock::now() + config.requestTimeout;
        net::async_write(m_socket, net::buffer(m_out),
                         [self = shared_from_this(), keepAlive](error_code ec, std::size_t) {
                             if (self->m_closed)
                                 return;
                             if (ec) {
                                 self->close();
                             } else if (keepAlive) {
                                 self->readRequest();
                             } else {
                                 self->linger();
                             }
                         });
    }

    // Answers a request that cannot be served, then ends the connection:
    // after a broken request nothing says where the next one would begin.
    void refuse(Status status)
    {
        bump(status == Status::HeaderTooLarge ? m_worker.counters().tooLarge
                                              : m_worker.counters().badRequest);
        m_parser.reset();
        m_out.clear();
        appendResponse(m_out, {status, Method::Get, {}, false, false, m_worker.date()});
        m_deadline = Clock::now() + m_worker.config().requestTimeout;
        net::async_write(m_socket, net::buffer(m_out),
                         [self = shared_from_this()](error_code ec, std::size_t) {
                             if (self->m_closed)
                                 return;
                             if (ec)
                                 self->close();
                             else
                                 self->linger();
                         });
    }

    // Closing a socket with unread input makes the system reset the
    // connection, and a reset can destroy our answer before the client has
    // read it. So: say we are done, read and drop what still comes for a
    // short while, then close.
    void linger()
    {
        error_code ec;
        m_socket.shutdown(tcp::socket::shutdown_send, ec);
        if (ec) {
            close();
            return;
        }
        m_deadline = Clock::now() + kLingerTime;
        m_lingering = true;
        m_lingered = 0;
        drain();
    }

    void drain()
    {
        m_buffer.clear();
        m_socket.async_read_some(m_buffer.prepare(m_buffer.max_size()),
                                 [self = shared_from_this()](error_code ec, std::size_t n) {
                                     if (self->m_closed)
                                         return;
                                     self->m_lingered += n;
                                     if (ec || self->m_lingered > kLingerBytes)
                                         self->close();
                                     else
                                         self->drain();
                                 });
    }

    Worker &m_worker;
    Socket m_socket;
    // Fixed size: a connection's memory does not grow with what it is sent.
    // Beside it only the parser, which keeps nothing per field and lives
    // only while a header is read, and the answer: about ten kilobytes.
    beast::flat_static_buffer<kBufferBytes> m_buffer;
    std::optional<RequestParser> m_parser;
    std::string m_out;
    net::ip::address m_peer;
    std::string m_peerText;
    std::list<Connection *>::iterator m_position;
    Clock::time_point m_deadline{};
    std::size_t m_lingered = 0;
    bool m_listed = true;
    bool m_closed = false;
    bool m_lingering = false;
};

void Worker::accept(Listener &l)
{
    l.acceptor.async_accept([this, &l](error_code ec, Socket socket) {
        if (m_stopping || ec == net::error::operation_aborted)
            return;
        if (ec) {
            bump(m_counters.acceptErrors);
            const bool outOfDescriptors = ec == net::error::no_descriptors ||
                                          ec == boost::system::errc::too_many_files_open_in_system;
            if (outOfDescriptors && makeRoom()) {
                accept(l);
                return;
            }
            l.retry.expires_after(outOfDescriptors ? kEvictionGap : kAcceptRetry);
            l.retry.async_wait([this, &l](error_code waitEc) {
                if (!waitEc && !m_stopping)
                    accept(l);
            });
            return;
        }
        bump(m_counters.accepted);
        assign(std::move(socket));
        accept(l);
    });
}

// Out of descriptors, the cap is never reached, and a new client would wait
// for as long as the idle ones stay: the one that has waited longest for its
// request goes, as at the cap.
bool Worker::makeRoom()
{
    if (m_connections.empty())
        return false;
    const Clock::rep now = Clock::now().time_since_epoch().count();
    Clock::rep last = m_lastEviction->load();
    if (now - last < Clock::duration(kEvictionGap).count() ||
        !m_lastEviction->compare_exchange_strong(last, now))
        return false;
    m_connections.front()->close();
    bump(m_counters.evicted);
    return true;
}

void Worker::assign(Socket socket)
{
    // Whichever loop wakes first accepts, and that can be the same one for
    // every connection of a burst; left there, one thread would serve them
    // all while the others idle. So each goes to the least busy worker.
    Worker *target = this;
    for (Worker *w : *m_peers) {
        if (w->load() < target->load())
            target = w;
    }
    target->m_counters.open.fetch_add(1, std::memory_order_relaxed);
    if (target == this) {
        adopt(std::move(socket));
        return;
    }
    error_code ec;
    const tcp::socket::protocol_type protocol = socket.local_endpoint(ec).protocol();
    const int fd = ec ? -1 : socket.release(ec);
    if (ec || fd < 0) {
        target->m_counters.open.fetch_sub(1, std::memory_order_relaxed);
        return; // the socket object still owns and closes it
    }
    // Closes the descriptor if the target's loop ends before it takes it.
    auto handle = std::shared_ptr<int>(new int(fd), [](int *p) {
        if (*p >= 0)
            ::close(*p);
        delete p;
    });
    net::post(target->m_ioc, [target, protocol, handle] {
        Socket s(target->m_ioc.get_executor());
        error_code assignEc;
        s.assign(protocol, *handle, assignEc);
        if (assignEc) {
            target->m_counters.open.fetch_sub(1, std::memory_order_relaxed);
            return;
        }
        *handle = -1;
        target->adopt(std::move(s));
    });
}

void Worker::adopt(Socket socket)
{
    if (m_stopping) {
        m_counters.open.fetch_sub(1, std::memory_order_relaxed);
        return;
    }
    if (m_connections.size() >= m_cap) {
        // Full: the connection that has waited longest for its request is
        // the likeliest to be idle or hostile; a real client's request
        // arrives right after its connection.
        m_connections.front()->close();
        bump(m_counters.evicted);
    }
    std::make_shared<Connection>(*this, std::move(socket))->start();
}

void Worker::sweep()
{
    m_sweep.expires_after(kSweepInterval);
    m_sweep.async_wait([this](error_code ec) {
        if (ec || m_stopping)
            return;
        const Clock::time_point now = Clock::now();
        for (auto it = m_connections.begin(); it != m_connections.end();) {
            Connection *c = *it++; // closing takes c off the list
            if (c->expired(now))
                c->timeOut();
        }
        sweep();
    });
}

void Worker::closeAll()
{
    m_stopping = true;
    m_sweep.cancel();
    for (auto &l : m_listeners) {
        error_code ec;
        l->acceptor.close(ec);
        l->retry.cancel();
    }
    while (!m_connections.empty())
        m_connections.front()->close();
}

Server::Server(Config config) : m_config(std::move(config)) {}

Server::~Server()
{
    stop();
}

bool Server::open(std::string &error)
{
    for (const ListenAddress &l : m_config.listen) {
        const tcp::endpoint endpoint(l.address, l.port);
        tcp::acceptor acceptor(m_bindContext);
        error_code ec;
        acceptor.open(endpoint.protocol(), ec);
        if (!ec)
            acceptor.set_option(tcp::acceptor::reuse_address(true), ec);
        // IPv6 sockets take only IPv6, so "[::]:80" and "0.0.0.0:80" can be
        // listened on side by side, as in nginx.
        if (!ec && endpoint.protocol() == tcp::v6())
            acceptor.set_option(net::ip::v6_only(true), ec);
        if (!ec)
            acceptor.bind(endpoint, ec);
        if (!ec)
            acceptor.listen(net::socket_base::max_listen_connections, ec);
        tcp::endpoint local;
        if (!ec)
            local = acceptor.local_endpoint(ec);
        if (ec) {
            error = "cannot listen on " + listenAddressText(l) + ": " + ec.message();
            return false;
        }
        m_endpoints.push_back(local);
        m_listeners.push_back(std::move(acceptor));
    }
    return true;
}

void Server::start()
{
    const std::size_t threads = m_config.threads;
    for (std::size_t t = 0; t < threads; ++t) {
        // The caps add up to exactly the connections the descriptors were
        // counted for.
        const std::size_t cap =
            m_config.maxConnections / threads + (t < m_config.maxConnections % threads ? 1 : 0);
        auto worker = std::make_unique<Worker>(m_config, cap);
        // Every worker waits on its own descriptor of each listening socket,
        // and whichever is free first takes the next connection.
        for (std::size_t i = 0; i < m_listeners.size(); ++i)
            worker->addListener(m_endpoints[i], ::dup(m_listeners[i].native_handle()));
        m_workers.push_back(std::move(worker));
    }
    for (auto &w : m_workers)
        m_workerList.push_back(w.get());
    for (auto &w : m_workers)
        w->setPeers(&m_workerList, &m_lastEviction);
    for (auto &l : m_listeners) {
        error_code ec;
        l.close(ec);
    }
    for (auto &w : m_workers)
        w->start();
}

void Server::stop()
{
    for (auto &w : m_workers)
        w->requestStop();
    // Closing takes a moment; a loop that does not end in time is ended.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    for (auto &w : m_workers) {
        while (!w->finished() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        if (!w->finished())
            w->forceStop();
        w->join();
    }
}

Counters Server::totals() const
{
    Counters total;
    for (const auto &w : m_workers)
        total += w->counters().snapshot();
    return total;
}

std::uint64_t Server::openConnections() const
{
    std::int64_t open = 0;
    for (const auto &w : m_workers)
        open += w->load();
    return open > 0 ? std::uint64_t(open) : 0;
}

} // namespace ipd
