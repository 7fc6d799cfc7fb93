#include "RtNetlink.h"

#include <cerrno>
#include <cstring>
#include <thread>
#include <vector>

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace platform::detail {

namespace {

using Clock = std::chrono::steady_clock;

// Large enough for any one read: the kernel fills at most 32 KiB per dump
// read, and a read that is too short would cut messages.
constexpr size_t kReadBufferSize = 64 * 1024;

bool waitReadable(int fd, Clock::time_point deadline)
{
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        pollfd p{fd, POLLIN, 0};
        const int r = ::poll(&p, 1, left > 0 ? int(left) : 0);
        if (r > 0)
            return true;
        if (r == 0 || errno != EINTR)
            return false;
    }
}

} // namespace

RtNetlink::RtNetlink(unsigned groups)
{
    m_fd = ::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE);
    if (m_fd < 0)
        return;
    sockaddr_nl local{};
    local.nl_family = AF_NETLINK;
    local.nl_groups = groups;
    if (::bind(m_fd, reinterpret_cast<const sockaddr *>(&local), sizeof local) != 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

RtNetlink::~RtNetlink()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool RtNetlink::request(nlmsghdr &message, const MessageHandler &onMessage,
                        std::chrono::milliseconds timeout)
{
    if (m_fd < 0)
        return false;
    const auto deadline = Clock::now() + timeout;
    message.nlmsg_flags |= NLM_F_REQUEST;
    message.nlmsg_seq = ++m_sequence;
    if (::send(m_fd, &message, message.nlmsg_len, 0) != ssize_t(message.nlmsg_len))
        return false;

    std::vector<char> buffer(kReadBufferSize);
    for (;;) {
        if (!waitReadable(m_fd, deadline))
            return false;
        const ssize_t n = ::recv(m_fd, buffer.data(), buffer.size(), MSG_DONTWAIT);
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN)
                continue;
            return false;
        }
        if (const auto finished =
                readAnswers(buffer.data(), size_t(n), message.nlmsg_seq, onMessage))
            return *finished;
    }
}

bool RtNetlink::readAnnouncements(std::chrono::milliseconds timeout,
                                  const MessageHandler &onMessage)
{
    if (m_fd < 0) {
        // Without announcements the caller still gets its pause, so that
        // it can look again instead of spinning.
        std::this_thread::sleep_for(timeout);
        return false;
    }
    if (!waitReadable(m_fd, Clock::now() + timeout))
        return false;
    std::vector<char> buffer(kReadBufferSize);
    for (;;) {
        const ssize_t n = ::recv(m_fd, buffer.data(), buffer.size(), MSG_DONTWAIT);
        // ENOBUFS: announcements were lost; the caller looks at the table
        // itself after every wake-up, so nothing is missed.
        if (n <= 0)
            return true;
        int left = int(n);
        for (auto *h = reinterpret_cast<nlmsghdr *>(buffer.data()); NLMSG_OK(h, left);
             h = NLMSG_NEXT(h, left))
            onMessage(*h);
    }
}

bool RtNetlink::takeAnnouncements(const MessageHandler &onMessage)
{
    bool complete = true;
    std::vector<char> buffer(m_fd >= 0 ? kReadBufferSize : 0);
    while (m_fd >= 0) {
        const ssize_t n = ::recv(m_fd, buffer.data(), buffer.size(), MSG_DONTWAIT);
        if (n < 0 && (errno == EINTR || errno == ENOBUFS)) {
            complete = complete && errno != ENOBUFS;
            continue;
        }
        if (n <= 0)
            break;
        int left = int(n);
        for (auto *h = reinterpret_cast<nlmsghdr *>(buffer.data()); NLMSG_OK(h, left);
             h = NLMSG_NEXT(h, left))
            onMessage(*h);
    }
    return complete;
}

bool appendAttribute(nlmsghdr &message, size_t capacity, int type, const void *data, size_t length)
{
    const size_t at = NLMSG_ALIGN(message.nlmsg_len);
    const size_t size = RTA_LENGTH(length);
    if (at + RTA_ALIGN(size) > capacity)
        return false;
    auto *a = reinterpret_cast<rtattr *>(reinterpret_cast<char *>(&message) + at);
    a->rta_type = static_cast<unsigned short>(type);
    a->rta_len = static_cast<unsigned short>(size);
    std::memcpy(RTA_DATA(a), data, length);
    message.nlmsg_len = static_cast<__u32>(at + RTA_ALIGN(size));
    return true;
}

} // namespace platform::detail
