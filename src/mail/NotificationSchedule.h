#pragma once

#include "Notification.h"

#include <QtGlobal>
#include <array>
#include <chrono>
#include <deque>
#include <optional>

namespace mail {

// When the notification mail is tried, without any clock or socket of its
// own: times go in as milliseconds of a steady clock. A change waits until
// it is sent or a newer change takes its place; a failed attempt is tried
// again after 1, 2, 5 and 10 minutes, then with each refresh at least 10
// minutes apart. At most four mails go out in any hour; changes that come
// faster are folded into the next mail, which says how many it covers.
class NotificationSchedule
{
public:
    using Ms = qint64;
    static constexpr int kMaxMailsPerHour = 4;
    static constexpr Ms kMinute = 60 * 1000;
    static constexpr Ms kHour = 60 * kMinute;
    static constexpr std::array<Ms, 4> kRetryDelays{1 * kMinute, 2 * kMinute, 5 * kMinute,
                                                    10 * kMinute};

    // A change to announce; it replaces one not yet sent.
    void changed(const Notification &notification, Ms now);
    // The mail to try now, if one is due (refreshed: a refresh has just
    // finished); the attempt is then under way until attemptFinished().
    std::optional<Notification> takeDue(Ms now, bool refreshed = false);
    void attemptFinished(bool success, Ms now);
    // When takeDue() may next have something without a refresh; nothing
    // when only a change or a refresh can bring one.
    std::optional<Ms> nextCheck() const;
    // Drops whatever waits (the mail was switched off).
    void clear();

    bool hasPending() const { return m_pending.has_value(); }
    int failures() const { return m_failures; }

private:
    std::optional<Ms> rateLimitedUntil(Ms now);

    std::optional<Notification> m_pending;
    int m_changes = 0;      // changes folded into m_pending
    int m_takenChanges = 0; // of them, those the attempt under way covers
    bool m_busy = false;
    int m_failures = 0; // failed attempts since the last mail went out
    Ms m_lastAttempt = 0;
    std::deque<Ms> m_sent; // when the mails of the last hour went out
};

} // namespace mail
