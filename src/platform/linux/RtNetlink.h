#pragma once

#include "NetlinkMessages.h"

#include <chrono>

namespace platform::detail {

// A routing netlink socket: asks the kernel about links, routes and
// neighbours, and optionally listens to its change announcements. Nothing
// here needs privileges.
class RtNetlink
{
public:
    // groups: the announcement groups to join (RTMGRP_*), 0 for none.
    explicit RtNetlink(unsigned groups = 0);
    ~RtNetlink();
    RtNetlink(const RtNetlink &) = delete;
    RtNetlink &operator=(const RtNetlink &) = delete;

    bool isOpen() const { return m_fd >= 0; }
    // For a QSocketNotifier that reads the announcements as they come.
    int descriptor() const { return m_fd; }

    // Sends a request (its length, sequence number and NLM_F_REQUEST are
    // filled in here) and hands every answer to onMessage until the kernel
    // has said all. False when the kernel refused the request or did not
    // finish within the time-out; what arrived until then has been handed on.
    bool request(nlmsghdr &message, const MessageHandler &onMessage,
                 std::chrono::milliseconds timeout = std::chrono::seconds(1));

    // Hands on the announcements that arrive within the time-out; returns
    // as soon as at least one has been read. False when none came.
    bool readAnnouncements(std::chrono::milliseconds timeout, const MessageHandler &onMessage);
    // Hands on the announcements already waiting, without waiting for more.
    // False when the kernel had to drop some because they were not read
    // fast enough.
    bool takeAnnouncements(const MessageHandler &onMessage);

private:
    int m_fd = -1;
    unsigned m_sequence = 0;
};

// Appends an attribute to a request built in a buffer of the given
// capacity; false when it does not fit.
bool appendAttribute(nlmsghdr &message, size_t capacity, int type, const void *data, size_t length);

} // namespace platform::detail
