#include "NotificationSchedule.h"

namespace mail {

void NotificationSchedule::changed(const Notification &notification, Ms now)
{
    Q_UNUSED(now);
    m_pending = notification;
    ++m_changes;
}

void NotificationSchedule::clear()
{
    m_pending.reset();
    m_changes = 0;
    m_failures = 0;
}

std::optional<NotificationSchedule::Ms> NotificationSchedule::rateLimitedUntil(Ms now)
{
    while (!m_sent.empty() && m_sent.front() + kHour <= now)
        m_sent.pop_front();
    if (int(m_sent.size()) < kMaxMailsPerHour)
        return std::nullopt;
    return m_sent.front() + kHour;
}

std::optional<NotificationSchedule::Ms> NotificationSchedule::nextCheck() const
{
    if (m_busy || !m_pending)
        return std::nullopt;
    Ms at = m_failures == 0                          ? 0
            : m_failures <= int(kRetryDelays.size()) ? m_lastAttempt + kRetryDelays[m_failures - 1]
                                                     : -1;
    if (at < 0)
        return std::nullopt;
    if (int(m_sent.size()) >= kMaxMailsPerHour)
        at = std::max(at, m_sent[m_sent.size() - kMaxMailsPerHour] + kHour);
    return at;
}

std::optional<Notification> NotificationSchedule::takeDue(Ms now, bool refreshed)
{
    if (m_busy || !m_pending)
        return std::nullopt;
    if (m_failures > int(kRetryDelays.size())) {
        if (!refreshed || now - m_lastAttempt < kRetryDelays.back())
            return std::nullopt;
    } else if (const auto at = nextCheck(); !at || *at > now) {
        return std::nullopt;
    }
    if (rateLimitedUntil(now))
        return std::nullopt;
    m_busy = true;
    m_lastAttempt = now;
    m_takenChanges = m_changes;
    Notification mail = *m_pending;
    if (m_changes > 1)
        mail.body += QStringLiteral("\r\n%1 address changes were folded into this mail; it shows "
                                    "the latest.\r\n")
                         .arg(m_changes);
    return mail;
}

void NotificationSchedule::attemptFinished(bool success, Ms now)
{
    if (!std::exchange(m_busy, false))
        return;
    if (!success) {
        ++m_failures;
        return;
    }
    m_sent.push_back(now);
    m_failures = 0;
    // A change that came while the mail was under way still needs one.
    m_changes -= m_takenChanges;
    if (m_changes == 0)
        m_pending.reset();
}

} // namespace mail
