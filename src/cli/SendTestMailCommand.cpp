// quorvel-cli send-test-mail: one notification about the addresses as they
// are now, with the mail settings as stored, to try them out.
#include "AddressSource.h"
#include "CliCommand.h"
#include "NotificationSender.h"
#include "RefreshCycle.h"

#include <QCoreApplication>
#include <QDateTime>

namespace cli {

int runSendTestMail(const QStringList &args, QTextStream &out, QTextStream &err)
{
    if (!args.isEmpty())
        return -1;
    address::NetworkAddressSource source;
    mail::NotificationSender sender;
    QObject::connect(&source, &address::AddressSource::finished, qApp,
                     [&sender](const address::AddressSnapshot &s) {
                         sender.send(mail::composeNotification(s.hostName, s.publicIp, s.publicIpv6,
                                                               s.lan,
                                                               QDateTime::currentDateTime()));
                     });
    QObject::connect(&sender, &mail::NotificationSender::finished, qApp,
                     [&](bool success, const QString &reason) {
                         QTextStream &stream = success ? out : err;
                         stream << mail::sendResultText(success, reason) << '\n';
                         stream.flush();
                         QCoreApplication::exit(success ? 0 : 1);
                     });
    app::startWithStoredServices(source);
    return QCoreApplication::exec();
}

} // namespace cli
