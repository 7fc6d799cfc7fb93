#include "NotificationSender.h"

#include "MailClient.h"
#include "PasswordStore.h"
#include "SettingsKeys.h"
#include "SettingsStore.h"

#include <QTimer>

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
    auto flag = [&](QLatin1StringView key, bool byDefault) {
        return store.number(key, byDefault ? "1" : "0").value_or(1) != 0;
    };
    s.requireEncryption = flag(keys::RequireEncryption, defaultRequireEncryption(s.server));
    s.implicitTls = flag(keys::ImplicitTls, defaultImplicitTls(s.server));
    // Only an explicit "1" lets the password travel in clear.
    s.allowPlainPassword = store.number(keys::AllowPlainPassword, "0").value_or(0) == 1;
    return s;
}

QString retryText(int failures)
{
    const auto &delays = NotificationSchedule::kRetryDelays;
    if (failures <= int(delays.size()))
        return QStringLiteral(" (trying again in %1 min)")
            .arg(delays[failures - 1] / NotificationSchedule::kMinute);
    return QStringLiteral(" (trying again with the next refresh)");
}

} // namespace

NotificationSender::NotificationSender(QObject *parent)
    : QObject(parent), m_client(new MailClient(this)), m_retryTimer(new QTimer(this))
{
    m_clock.start();
    m_retryTimer->setSingleShot(true);
    connect(m_retryTimer, &QTimer::timeout, this, [this] { pump(); });
    connect(m_client, &MailClient::sendComplete, this, &NotificationSender::finish);
}

bool NotificationSender::isEnabled()
{
    qint16 sendMail = 0;
    settings::SettingsStore().readNumber(sendMail, keys::SendMeEMail);
    return sendMail == 1;
}

void NotificationSender::send(const Notification &notification)
{
    m_scheduled = false;
    attempt(notification);
}

void NotificationSender::notify(const Notification &notification)
{
    m_schedule.changed(notification, m_clock.elapsed());
    pump();
}

void NotificationSender::refreshed()
{
    pump(true);
}

void NotificationSender::pump(bool refreshed)
{
    if (m_sending)
        return;
    // Switched off meanwhile: what waits is not sent.
    if (m_schedule.hasPending() && !isEnabled())
        m_schedule.clear();
    const qint64 now = m_clock.elapsed();
    if (const auto due = m_schedule.takeDue(now, refreshed)) {
        m_scheduled = true;
        attempt(*due);
        return;
    }
    if (const auto next = m_schedule.nextCheck())
        m_retryTimer->start(std::max<qint64>(*next - now, 0));
    else
        m_retryTimer->stop();
}

void NotificationSender::attempt(const Notification &notification)
{
    const quint64 attempt = ++m_attempt;
    m_sending = true;
    MailSettings s = storedMailSettings();
    settings::PasswordStore::instance().load(
        this, [this, attempt, s, notification](const QString &password, bool) mutable {
            if (attempt != m_attempt)
                return;
            s.password = password;
            QString error;
            if (sendNotification(*m_client, s, notification, error) != result::Success)
                finish(false, error);
        });
}

void NotificationSender::finish(bool success, const QString &reason)
{
    if (!std::exchange(m_sending, false))
        return;
    if (!std::exchange(m_scheduled, false)) {
        emit finished(success, reason);
        return;
    }
    m_schedule.attemptFinished(success, m_clock.elapsed());
    emit finished(success, success || !m_schedule.hasPending()
                               ? reason
                               : reason + retryText(m_schedule.failures()));
    pump();
}

} // namespace mail
