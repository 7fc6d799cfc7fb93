#pragma once

#include "AddressSource.h"
#include "IpChangeTracker.h"

#include <QObject>
#include <QString>

namespace mail {
class NotificationSender;
}

namespace app {

// The refresh cycle of both programs, the tray program's window and
// quorvel-cli watch: one refresh of the addresses at a time, a timed one
// that falls due meanwhile run right after it, every change of the public
// address told (the first refresh of a run always is one), and the
// notification mail sent for it when the settings ask for one, tried again
// while the server cannot take it (NotificationSender::notify). What a
// program shows of all this is its own business; the rules live here once.
class RefreshCycle : public QObject
{
    Q_OBJECT
public:
    // What asked for a refresh.
    enum class Trigger
    {
        Timer,  // start-up and the refresh timer
        Button, // the user, who is told when it is done
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
    // No more refreshes, announcements or mails (the program is ending);
    // a refresh under way ends unheard.
    void stop();

    // The public address last accepted as current.
    QString lastPublicIp() const { return m_tracker.last(); }

    mail::NotificationSender *mailSender() const { return m_mail; }

signals:
    void started(app::RefreshCycle::Trigger trigger);
    // changed: the public address differs from the last one accepted,
    // which it now is. Emitted before the notification mail is started.
    void finished(const address::AddressSnapshot &snapshot, app::RefreshCycle::Trigger trigger,
                  bool changed);
    // The outcome of a notification mail: exactly one for each attempt.
    void mailFinished(bool success, const QString &reason);

private:
    void onSourceFinished(const address::AddressSnapshot &snapshot);

    address::AddressSource *m_source;
    mail::NotificationSender *m_mail;
    address::IpChangeTracker m_tracker;
    Trigger m_running = Trigger::Timer;
    bool m_timerPending = false;
    bool m_stopped = false;
};

} // namespace app
