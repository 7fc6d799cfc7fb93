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

// Subject "Notify IP changed, Host: ... IP: ... LAN: ..." with the values
// unchanged, body "Date/Time: " + the local time + CR LF + the three-line
// summary of the addresses.
Notification composeNotification(const QString &hostName, const QString &publicIp,
                                 const QString &lan, const QDateTime &localTime);
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
