#pragma once

#include "Notification.h"

#include <QObject>

namespace mail {

class MailClient;

// Sends the notification mail for programs without a window (the watcher,
// the test mail of quorvel-cli): with the mail settings as they are stored
// at that moment and the password from wherever it is kept. Every attempt
// ends in exactly one finished(), also one whose settings the client
// refuses at once and one the server cuts off without a final reply.
class NotificationSender : public QObject
{
    Q_OBJECT
public:
    explicit NotificationSender(QObject *parent = nullptr);

    // "Send Me E-Mail" as stored: whether changes are to be mailed.
    static bool isEnabled();

    // Starts one attempt; a new one while the last is still under way
    // takes its place (the client closes the old session).
    void send(const Notification &notification);

    MailClient *client() const { return m_client; }

signals:
    void finished(bool success, const QString &reason);

private:
    void finish(bool success, const QString &reason);

    MailClient *m_client;
    bool m_sending = false;
    // Tells the password of the latest attempt from that of one replaced.
    quint64 m_attempt = 0;
};

} // namespace mail
