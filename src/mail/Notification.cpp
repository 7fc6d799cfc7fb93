#include "Notification.h"

#include "HostAddresses.h"
#include "MailClient.h"

#include <QLocale>

namespace mail {

QString generalDateTime(const QDateTime &localTime)
{
    const QLocale locale;
    // The long time format carries the zone name; the date/time line of
    // the mail shows the wall clock only.
    QString timeFormat = locale.timeFormat(QLocale::LongFormat);
    timeFormat.remove(u't');
    return locale.toString(localTime.date(), QLocale::ShortFormat) + u' ' +
           locale.toString(localTime.time(), timeFormat.trimmed());
}

Notification composeNotification(const QString &hostName, const QString &publicIp,
                                 const QString &lan, const QDateTime &localTime)
{
    return {QStringLiteral("Notify IP changed, Host: ") + hostName + QStringLiteral(" IP: ") +
                publicIp + QStringLiteral(" LAN: ") + lan,
            QStringLiteral("Date/Time: ") + generalDateTime(localTime) + QStringLiteral("\r\n") +
                address::composeInfoText(hostName, publicIp, lan)};
}

int sendNotification(MailClient &client, const MailSettings &settings,
                     const Notification &notification, QString &error)
{
    client.startUp(error);
    client.setServer(settings.server);
    client.setUserName(settings.userName);
    client.setPassword(settings.password);
    client.setFromEmail(settings.fromEmail);
    client.setToEmail(settings.toEmail);
    client.setRequireEncryption(settings.requireEncryption);
    client.setImplicitTls(settings.implicitTls);
    client.setAllowPlainPassword(settings.allowPlainPassword);
    client.setSubject(notification.subject);
    client.setPlainText(true);
    QString noFiles;
    client.prepareEmail(notification.body, noFiles);
    return client.connectAndSend(error);
}

QString sendResultText(bool success, const QString &reason)
{
    return QStringLiteral("E-Mail send ") +
           (success ? QStringLiteral("ok.") : QStringLiteral("error. ") + reason);
}

} // namespace mail
