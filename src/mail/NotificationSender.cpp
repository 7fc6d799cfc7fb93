#include "NotificationSender.h"

#include "MailClient.h"
#include "PasswordStore.h"
#include "SettingsKeys.h"
#include "SettingsStore.h"

namespace mail {

namespace keys = settings::keys;

namespace {

MailSettings storedMailSettings()
{
    const settings::SettingsStore store;
    MailSettings s;
    store.readText(s.server, keys::SMTPServer);
    store.readText(s.userName, keys::Username);
    store.readText(s.fromEmail, keys::FromEMail);
    store.readText(s.toEmail, keys::ToEMail);
    const QString byPort = defaultRequireEncryption(s.server) ? "1" : "0";
    s.requireEncryption = store.number(keys::RequireEncryption, byPort).value_or(1) != 0;
    return s;
}

} // namespace

NotificationSender::NotificationSender(QObject *parent)
    : QObject(parent), m_client(new MailClient(this))
{
    connect(m_client, &MailClient::sendComplete, this, &NotificationSender::finish);
    connect(m_client, &MailClient::disconnected, this,
            [this] { finish(false, QStringLiteral("The mail server closed the connection.")); });
}

bool NotificationSender::isEnabled()
{
    qint16 sendMail = 0;
    settings::SettingsStore().readNumber(sendMail, keys::SendMeEMail);
    return sendMail == 1;
}

void NotificationSender::send(const Notification &notification)
{
    const quint64 attempt = ++m_attempt;
    MailSettings s = storedMailSettings();
    settings::PasswordStore::instance().load(
        this, [this, attempt, s, notification](const QString &password, bool) mutable {
            if (attempt != m_attempt)
                return;
            s.password = password;
            // A session this one replaces closes now, and that is not
            // this attempt's outcome.
            m_sending = false;
            QString error;
            const int code = sendNotification(*m_client, s, notification, error);
            m_sending = true;
            if (code != result::Success)
                finish(false, error);
        });
}

void NotificationSender::finish(bool success, const QString &reason)
{
    // The client reports the end of a dialogue and then the closed
    // connection; only the first of them is the outcome.
    if (std::exchange(m_sending, false))
        emit finished(success, reason);
}

} // namespace mail
