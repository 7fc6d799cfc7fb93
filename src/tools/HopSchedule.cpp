#include "HopSchedule.h"

#include <algorithm>

namespace tools {

HopSchedule::HopSchedule(Clock clock, Limits limits)
    : m_clock(std::move(clock)), m_limits(limits), m_probes(size_t(limits.maxHop) + 1),
      m_end(limits.maxHop)
{
}

QList<int> HopSchedule::hopsToSend()
{
    QList<int> hops;
    if (isFinished())
        return hops;
    const qint64 now = m_clock();
    while (m_nextToSend <= m_end && m_nextToSend < m_nextToReport + m_limits.inFlight) {
        m_probes[size_t(m_nextToSend)].sentAt = now;
        hops.append(m_nextToSend++);
    }
    return hops;
}

bool HopSchedule::answer(int hop, const platform::EchoReply &reply, bool final)
{
    if (isFinished() || hop < 1 || hop > m_end)
        return false;
    Probe &p = m_probes[size_t(hop)];
    if (p.sentAt < 0 || p.answered)
        return false;
    if (hop < m_nextToReport) {
        if (final)
            m_lateEnd = Hop{hop, true, true, reply};
        return false;
    }
    p.answered = true;
    p.final = final;
    p.answeredAt = m_clock();
    p.reply = reply;
    if (final)
        m_end = hop; // what lies beyond is never reported
    return true;
}

qint64 HopSchedule::deadline(int hop) const
{
    const Probe &p = m_probes[size_t(hop)];
    qint64 wait = m_limits.maxWaitMs;
    for (int later = hop + 1; later < m_nextToSend && later <= m_end; ++later) {
        const Probe &q = m_probes[size_t(later)];
        if (!q.answered)
            continue;
        const qint64 roundTrip = q.answeredAt - q.sentAt;
        wait = std::min(wait,
                        std::max<qint64>(m_limits.minWaitMs, m_limits.laterHopFactor * roundTrip));
    }
    return p.sentAt + wait;
}

QList<HopSchedule::Hop> HopSchedule::takeSettled()
{
    QList<Hop> settled;
    const qint64 now = m_clock();
    while (!isFinished()) {
        const int hop = m_nextToReport;
        const Probe &p = m_probes[size_t(hop)];
        if (p.sentAt < 0)
            break;
        if (p.answered)
            settled.append({hop, true, p.final, p.reply});
        else if (now >= deadline(hop))
            settled.append({hop, false, false, {}});
        else
            break;
        ++m_nextToReport;
    }
    return settled;
}

std::optional<qint64> HopSchedule::nextDeadline() const
{
    if (isFinished() || m_probes[size_t(m_nextToReport)].sentAt < 0)
        return std::nullopt;
    return deadline(m_nextToReport);
}

bool HopSchedule::isFinished() const
{
    return m_lateEnd.has_value() || m_nextToReport > m_end;
}

} // namespace tools
