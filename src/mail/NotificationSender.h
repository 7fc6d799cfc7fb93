#pragma once

#include "Notification.h"
#include "NotificationSchedule.h"

#include <QElapsedTimer>
#include <QObject>

class QTimer;

namespace mail {

class MailClient;

// Sends the notification mail for the refresh cycle (the window and the
// watcher alike) and the test mail of quorvel-cli: with the mail settings
// as they are stored at the moment of each attempt and the password from
// wherever it is kept. Every attempt ends in exactly one finished(), also
// one whose settings the client refuses at once and one the server cuts
// off. notify() does not lose a change: failed mails are tried again and
// changes that come too fast are folded (NotificationSchedule).
class NotificationSender : public QObject
{
    Q_OBJECT
public:
    explicit NotificationSender(QObject *parent = nullptr);

    // "Send Me E-Mail" as stored: whether changes are to be mailed.
    static bool isEnabled();

    // One attempt now, without retries (the test mail).
    void send(const Notification &notification);
    // A change to announce: sent now, or later when the server was down
    // or the hour's mails are spent.
    void notify(const Notification &notification);
    // A refresh has finished: a retry that waits for one may go now.
    void refreshed();

    MailClient *client() const { return m_client; }

signals:
    // The outcome of one attempt; a failure's reason says when the next
    // try comes, if one does.
    void finished(bool success, const QString &reason);

private:
    void attempt(const Notification &notification);
    void finish(bool success, const QString &reason);
    void pump(bool refreshed = false);

    MailClient *m_client;
    NotificationSchedule m_schedule;
    QElapsedTimer m_clock;
    QTimer *m_retryTimer;
    bool m_sending = false;
    bool m_scheduled = false; // the attempt under way is the schedule's
    // Tells the password of the latest attempt from that of one replaced.
    quint64 m_attempt = 0;
};

} // namespace mail
