#pragma once

#include <chrono>
#include <optional>

namespace app {

// Folds the changes of the machine's network, and its wake-ups from sleep,
// into refreshes: a burst (a DHCP lease, a Wi-Fi roam, a VPN coming up
// gives ten announcements or more) into one refresh once the network has
// been quiet for a moment, never more than one per few seconds (a flapping
// link must not hammer the address services), and changes that come while
// a refresh runs into one more after it. A refresh of any kind sees every
// change made before it started. No timer inside: it is told the moments
// (from a clock of the caller's choosing) and says when the next refresh is
// due.
class NetworkChangeFolder
{
public:
    using Clock = std::chrono::steady_clock;
    using TimePoint = Clock::time_point;
    using Duration = std::chrono::milliseconds;

    // A burst is over when nothing more has come for this long.
    static constexpr Duration kQuiet{1000};
    // A network that never quiets down gets its refresh after this long.
    static constexpr Duration kLongestWait{10000};
    // From the start of one refresh to that of the next driven by changes.
    static constexpr Duration kShortestGap{5000};
    // After a wake-up the network takes a moment to come back (a Wi-Fi
    // network joined again, a lease renewed) before asking is worth it.
    static constexpr Duration kResumeSettling{3000};

    void networkChanged(TimePoint now);
    void resumed(TimePoint now);
    void refreshStarted(TimePoint now);
    void refreshFinished();
    // Forgets the changes not yet refreshed for (no refresh could reach the
    // address services now; the network's coming back will be a change).
    void discardPending();

    // When the refresh for the changes so far is due; nothing while none is
    // wanted or one is running.
    std::optional<TimePoint> dueAt() const;

private:
    bool m_pending = false;
    bool m_running = false;
    TimePoint m_firstChange;
    TimePoint m_lastChange;
    TimePoint m_settledAt;
    std::optional<TimePoint> m_lastStart;
};

} // namespace app
