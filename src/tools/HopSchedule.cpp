#include "HopSchedule.h"

#include <algorithm>

namespace tools {

HopSchedule::HopSchedule(const Clock &clock, Limits limits)
    : m_clock(clock), m_limits(limits), m_probes(size_t(limits.maxHop) + 1), m_end(limits.maxHop)
{
}

QList<int> HopSchedule::hopsToSend()
{
    QList<int> hops;
    const qint64 now = m_clock.nowMs();
    while (m_nextToSend <= m_end && m_nextToSend < m_nextToReport + m_limits.inFlight) {
        m_probes[size_t(m_nextToSend)].sentAt = now;
        hops.append(m_nextToSend++);
    }
    return hops;
}

bool HopSchedule::answer(int hop, const platform::EchoReply &reply, bool final)
{
    if (hop < m_nextToReport || hop > m_end)
        return false;
    Probe &p = m_probes[size_t(hop)];
    if (p.sentAt < 0 || p.answered)
        return false;
    p.answered = true;
    p.final = final;
    p.answeredAt = m_clock.nowMs();
    p.reply = reply;
    if (final)
        m_end = hop; // what lies beyond is never reported
    return true;
}

qint64 HopSchedule::deadline(int hop) const
{
    const Probe &p = m_probes[size_t(hop)];
    // The nearest later hop that answered, as traceroute takes it: its
    // path shares the most with this hop's.
    for (int later = hop + 1; later < m_nextToSend && later <= m_end; ++later) {
        const Probe &q = m_probes[size_t(later)];
        if (q.answered) {
            const qint64 wait = m_limits.nearFactor * (q.answeredAt - q.sentAt);
            return p.sentAt + std::clamp<qint64>(wait, m_limits.minWaitMs, m_limits.maxWaitMs);
        }
    }
    return p.sentAt + m_limits.answerWindowMs;
}

bool HopSchedule::answeredBeyond(int hop) const
{
    for (int later = hop + 1; later < m_nextToSend && later <= m_end; ++later)
        if (m_probes[size_t(later)].answered)
            return true;
    return false;
}

QList<HopSchedule::Hop> HopSchedule::takeSettled()
{
    QList<Hop> settled;
    const qint64 now = m_clock.nowMs();
    while (!isFinished()) {
        const int hop = m_nextToReport;
        const Probe &p = m_probes[size_t(hop)];
        if (p.sentAt < 0)
            break;
        if (p.answered) {
            settled.append({hop, true, p.final, p.reply});
            m_silentRun = 0;
        } else if (now >= deadline(hop)) {
            settled.append({hop, false, false, {}});
            if (++m_silentRun >= m_limits.silentRunLimit && !answeredBeyond(hop)) {
                m_end = hop;
                m_endedInSilence = true;
            }
        } else {
            break;
        }
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

} // namespace tools
