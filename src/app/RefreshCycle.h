#pragma once

#include "AddressSource.h"
#include "ChangeActions.h"
#include "IpChangeTracker.h"
#include "NetworkChangeFolder.h"

#include <QObject>
#include <QString>
#include <QTimer>

namespace mail {
class NotificationSender;
}
namespace platform {
class NetworkChangeWatcher;
}

namespace app {

// The refresh cycle of both programs, the tray program's window and
// quorvel-cli watch: one refresh of the addresses at a time, a timed one
// that falls due meanwhile run right after it, changes of the machine's
// network folded into refreshes of their own, every change of a public
// address told, each family's on its own (the first refresh of a run
// always changes the IPv4 address; "(no IPv6)" is never a change), the
// notification mail sent for it when the settings ask for one, tried again
// while the server cannot take it (NotificationSender::notify), and the
// change command and web hook told (ChangeActions). What a program shows of
// all this is its own business; the rules live here once.
class RefreshCycle : public QObject
{
    Q_OBJECT
public:
    // What asked for a refresh.
    enum class Trigger
    {
        Timer,   // start-up and the refresh timer
        Button,  // the user, who is told when it is done
        Network, // the machine's network changed, or it woke from sleep
    };

    // Which public addresses a refresh found changed.
    struct Changes
    {
        bool ipv4 = false;
        bool ipv6 = false;
        bool any() const { return ipv4 || ipv6; }
    };

    // Adopts source.
    explicit RefreshCycle(address::AddressSource *source, QObject *parent = nullptr);
    ~RefreshCycle() override;

    // Starts a refresh and returns at once; finished() follows. While one
    // runs, a timed request is kept and runs after it (once, however many
    // came), and a button request is dropped. The address services are
    // read from the settings at each start.
    void refresh(Trigger trigger);
    bool isRunning() const;
    // Refreshes also when the machine's network changes or it wakes from
    // sleep, the changes folded by NetworkChangeFolder's rules (off until
    // switched on).
    void setRefreshOnNetworkChange(bool on);
    bool refreshesOnNetworkChange() const { return m_network != nullptr; }
    // No more refreshes, announcements or mails (the program is ending);
    // a refresh under way ends unheard.
    void stop();

    // The public addresses last accepted as current.
    QString lastPublicIp() const { return m_tracker.last(); }
    QString lastPublicIpv6() const { return m_ipv6Tracker.last(); }

    mail::NotificationSender *mailSender() const { return m_mail; }
    ChangeActions *changeActions() const { return m_actions; }

signals:
    void started(app::RefreshCycle::Trigger trigger);
    // changed: which public addresses differ from the last one accepted,
    // which they now are. Emitted before the notification mail is started.
    void finished(const address::AddressSnapshot &snapshot, app::RefreshCycle::Trigger trigger,
                  app::RefreshCycle::Changes changed);
    // The outcome of a notification mail: exactly one for each attempt.
    void mailFinished(bool success, const QString &reason);
    // The outcome of one run of the change command or call of the web hook.
    void actionFinished(app::ChangeActions::Action action, bool success, const QString &text);

private:
    void onSourceFinished(const address::AddressSnapshot &snapshot);
    void scheduleNetworkRefresh();
    void onNetworkRefreshDue();

    address::AddressSource *m_source;
    mail::NotificationSender *m_mail;
    ChangeActions *m_actions;
    address::IpChangeTracker m_tracker;
    address::IpChangeTracker m_ipv6Tracker;
    Trigger m_running = Trigger::Timer;
    bool m_timerPending = false;
    bool m_stopped = false;
    platform::NetworkChangeWatcher *m_network = nullptr; // while switched on
    NetworkChangeFolder m_networkChanges;
    QTimer m_networkRefreshTimer;
};

// Starts source with the address services the settings name now.
bool startWithStoredServices(address::AddressSource &source);

} // namespace app
