#pragma once

#include <QDateTime>
#include <QString>

namespace mail {

class MailClient;

// The mail that announces the machine's addresses.
struct Notification
{
    QString subject;
    QString body;
};

// Which public addresses a notification is about.
enum class ChangedFamilies
{
    Ipv4,
    Ipv6,
    Both,
};

// Subject "Notify IP changed, Host: ... IP: ... LAN: ..." with the values
// unchanged when the IPv4 address changed; "Notify IPv6 changed, Host: ...
// IPv6: ... LAN: ..." when the IPv6 one did; "Notify IP and IPv6 changed,
// Host: ... IP: ... IPv6: ... LAN: ..." when both did. Body "Date/Time: " +
// the local time + CR LF + the summary of the addresses.
Notification composeNotification(const QString &hostName, const QString &publicIp,
                                 const QString &publicIpv6, const QString &lan,
                                 const QDateTime &localTime,
                                 ChangedFamilies changed = ChangedFamilies::Ipv4);
// The local date and time the way the desktop writes them: short date,
// time with seconds.
QString generalDateTime(const QDateTime &localTime);

// Where and as whom the notification is sent, as the settings hold it.
struct MailSettings
{
    QString server, userName, password, fromEmail, toEmail;
    bool requireEncryption = false;
    bool implicitTls = false;
    bool allowPlainPassword = false;
};

// Fills the client and starts sending the notification as plain text
// without attachments; the result of connectAndSend().
int sendNotification(MailClient &client, const MailSettings &settings,
                     const Notification &notification, QString &error);

// "E-Mail send ok." or "E-Mail send error. " + the reason.
QString sendResultText(bool success, const QString &reason);

} // namespace mail
