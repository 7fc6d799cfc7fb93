#pragma once

#include "IcmpEcho.h"

#include <QList>
#include <functional>
#include <optional>
#include <vector>

namespace tools {

// Which hops of a trace to probe when, how long to wait for each, and when
// a hop may be reported. Probes for several TTLs are out at once, but hops
// are reported strictly in order. It holds no socket and no timer: the
// owner sends what hopsToSend() names, feeds in the answers, and comes back
// at nextDeadline() or after an answer to collect settled hops.
class HopSchedule
{
public:
    // Monotonic time in milliseconds.
    using Clock = std::function<qint64()>;

    struct Limits
    {
        int maxHop = 255;
        // Hops probed ahead of the first one not yet reported.
        int inFlight = 16;
        // The longest a hop is waited for.
        int maxWaitMs = 2400;
        // Once a later hop has answered, an earlier silent one is waited
        // for no longer than this many times that hop's round trip...
        int laterHopFactor = 3;
        // ...but at least this long, so that a fast network (a round trip
        // well under a millisecond) does not give up on a hop at once.
        int minWaitMs = 5;
    };

    struct Hop
    {
        int number = 0;
        bool answered = false;
        // The destination answered, or a router said the route ends.
        bool final = false;
        platform::EchoReply reply;
    };

    explicit HopSchedule(Clock clock) : HopSchedule(std::move(clock), Limits{}) {}
    HopSchedule(Clock clock, Limits limits);

    // Hops to probe now; their wait starts now.
    QList<int> hopsToSend();
    // An answer for a probed hop. Answers for hops past the end, or a
    // second one for a hop, are ignored. Returns whether the hop took it.
    bool answer(int hop, const platform::EchoReply &reply, bool final);
    // Hops whose answer is in or whose wait is over, in order; each is
    // returned once.
    QList<Hop> takeSettled();
    // Clock time at which takeSettled() will have something without any
    // further answer; none when nothing is waited for.
    std::optional<qint64> nextDeadline() const;
    // Every hop up to the end has been reported, or the trace was cut short
    // (see lateEnd()).
    bool isFinished() const;
    // A final answer that came for a hop already reported as silent: the
    // route ends at or before that hop, so probing on is useless.
    const std::optional<Hop> &lateEnd() const { return m_lateEnd; }

private:
    struct Probe
    {
        qint64 sentAt = -1;
        bool answered = false;
        bool final = false;
        qint64 answeredAt = 0;
        platform::EchoReply reply;
    };

    qint64 deadline(int hop) const;

    Clock m_clock;
    Limits m_limits;
    std::vector<Probe> m_probes; // indexed by hop; 0 unused
    int m_nextToSend = 1;
    int m_nextToReport = 1;
    int m_end; // the last hop that can be reported
    std::optional<Hop> m_lateEnd;
};

} // namespace tools
