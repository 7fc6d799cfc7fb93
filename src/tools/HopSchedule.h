#pragma once

#include "Clock.h"
#include "IcmpEcho.h"

#include <QList>
#include <optional>
#include <vector>

namespace tools {

// Which hops of a trace to probe when, how long to wait for each, and when
// a hop may be reported. Probes for several TTLs are out at once, but hops
// are reported strictly in order. It holds no socket and no timer: the
// owner sends what hopsToSend() names, feeds in the answers, and comes back
// at nextDeadline() or after an answer to collect settled hops.
//
// The wait for a silent hop follows traceroute's: once a later hop has
// answered, the route is known to go on, and the hop is given NEAR times
// that hop's round trip, within [minWaitMs, maxWaitMs] of its probe. While
// nothing beyond it has answered, it waits as long as its own probe may
// still be answered (answerWindowMs): a router that first gives up on the
// next hop's address answers "unreachable" only after some 3 s.
class HopSchedule
{
public:
    struct Limits
    {
        int maxHop = 255;
        // Hops probed ahead of the first one not yet reported.
        int inFlight = 16;
        // NEAR: the factor on the round trip of the nearest later hop that
        // answered. Routers answer from a slow path, often several times
        // slower than the destination answers its echo.
        int nearFactor = 10;
        // A fast network (round trips well under a millisecond) still
        // gives a router this long.
        int minWaitMs = 5;
        // MAX: the longest wait once the route is known to go on.
        int maxWaitMs = 2400;
        // How long a probe's own answer may still come.
        int answerWindowMs = 5000;
        // This many silent hops in a row, with no answer from beyond them,
        // end the trace: the destination or a firewall before it swallows
        // every probe, and further hops would be silent too.
        int silentRunLimit = 8;
    };

    struct Hop
    {
        int number = 0;
        bool answered = false;
        // The destination answered, or a router said the route ends.
        bool final = false;
        platform::EchoReply reply;
    };

    // The clock must outlive the schedule.
    explicit HopSchedule(const Clock &clock) : HopSchedule(clock, Limits{}) {}
    HopSchedule(const Clock &clock, Limits limits);

    // Hops to probe now; their wait starts now.
    QList<int> hopsToSend();
    // An answer for a probed hop not yet reported. Answers for hops past
    // the end, for reported hops, or a second one for a hop are ignored.
    // Returns whether the hop took it.
    bool answer(int hop, const platform::EchoReply &reply, bool final);
    // Hops whose answer is in or whose wait is over, in order; each is
    // returned once.
    QList<Hop> takeSettled();
    // Clock time at which takeSettled() will have something without any
    // further answer; none when nothing is waited for.
    std::optional<qint64> nextDeadline() const;
    // Every hop up to the end has been reported.
    bool isFinished() const { return m_nextToReport > m_end; }
    // The trace ended on a run of silent hops (see silentRunLimit).
    bool endedInSilence() const { return m_endedInSilence; }

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
    bool answeredBeyond(int hop) const;

    const Clock &m_clock;
    Limits m_limits;
    std::vector<Probe> m_probes; // indexed by hop; 0 unused
    int m_nextToSend = 1;
    int m_nextToReport = 1;
    int m_end; // the last hop that can be reported
    int m_silentRun = 0;
    bool m_endedInSilence = false;
};

} // namespace tools
