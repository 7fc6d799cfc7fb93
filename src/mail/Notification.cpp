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
                                 const QString &publicIpv6, const QString &lan,
                                 const QDateTime &localTime, ChangedFamilies changed)
{
    const bool ipv4 = changed != ChangedFamilies::Ipv6;
    const bool ipv6 = changed != ChangedFamilies::Ipv4;
    QString subject = ipv4 && ipv6 ? QStringLiteral("Notify IP and IPv6 changed, Host: ")
                      : ipv4       ? QStringLiteral("Notify IP changed, Host: ")
                                   : QStringLiteral("Notify IPv6 changed, Host: ");
    subject += hostName;
    if (ipv4)
        subject += QStringLiteral(" IP: ") + publicIp;
    if (ipv6)
        subject += QStringLiteral(" IPv6: ") + publicIpv6;
    return {subject + QStringLiteral(" LAN: ") + lan,
            QStringLiteral("Date/Time: ") + generalDateTime(localTime) + QStringLiteral("\r\n") +
                address::composeInfoText(hostName, publicIp, publicIpv6, lan)};
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
