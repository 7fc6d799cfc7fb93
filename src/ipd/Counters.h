#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace ipd {

// What the server has done since it started. The log shows the difference
// between two snapshots, one line per interval, so a busy server does not
// write a line per request.
struct Counters
{
    std::uint64_t accepted = 0;     // connections taken
    std::uint64_t evicted = 0;      // closed to make room for a new one
    std::uint64_t acceptErrors = 0; // the system refused to hand one over (out of descriptors)
    std::uint64_t ok = 0;           // 200
    std::uint64_t notFound = 0;     // 404
    std::uint64_t notAllowed = 0;   // 405
    std::uint64_t badRequest = 0;   // 400: not HTTP
    std::uint64_t tooLarge = 0;     // 431: header over the limit
    std::uint64_t timedOut = 0;     // too slow to send a request or take an answer

    Counters &operator+=(const Counters &other);
    // Counters only grow, so a later snapshot minus an earlier one is what
    // happened in between.
    Counters operator-(const Counters &earlier) const;
    bool operator==(const Counters &) const = default;
};

// One log line: "requests=... ok=... ... open=N" over the given interval.
std::string formatCountersLine(const Counters &delta, std::uint64_t openConnections,
                               std::chrono::seconds interval);

} // namespace ipd
