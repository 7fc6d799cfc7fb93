#include "NetworkChangeFolder.h"

#include <algorithm>
#include <utility>

namespace app {

void NetworkChangeFolder::networkChanged(TimePoint now)
{
    if (!std::exchange(m_pending, true))
        m_firstChange = now;
    m_lastChange = now;
}

void NetworkChangeFolder::resumed(TimePoint now)
{
    networkChanged(now);
    m_settledAt = std::max(m_settledAt, now + kResumeSettling);
}

void NetworkChangeFolder::refreshStarted(TimePoint now)
{
    m_running = true;
    m_pending = false;
    m_lastStart = now;
}

void NetworkChangeFolder::refreshFinished()
{
    m_running = false;
}

void NetworkChangeFolder::discardPending()
{
    m_pending = false;
}

std::optional<NetworkChangeFolder::TimePoint> NetworkChangeFolder::dueAt() const
{
    if (!m_pending || m_running)
        return std::nullopt;
    TimePoint due = std::min(m_lastChange + kQuiet, m_firstChange + kLongestWait);
    due = std::max(due, m_settledAt);
    if (m_lastStart)
        due = std::max(due, *m_lastStart + kShortestGap);
    return due;
}

} // namespace app
