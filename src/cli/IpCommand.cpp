#include "AddressSource.h"
#include "CliCommand.h"
#include "HostAddresses.h"
#include "RefreshCycle.h"

#include <QCoreApplication>

namespace cli {

int runIp(const QStringList &args, QTextStream &out, QTextStream &err)
{
    if (!args.isEmpty())
        return -1;
    address::NetworkAddressSource source;
    QObject::connect(
        &source, &address::AddressSource::finished, qApp, [&](const address::AddressSnapshot &s) {
            for (const QString &m : s.messages)
                err << m << '\n';
            for (const QString &problem : {s.publicIpProblem, s.publicIpv6Problem})
                if (!problem.isEmpty())
                    err << problem << '\n';
            err.flush();
            // The same lines as the tray tip, with the
            // terminal's own line ends.
            QString text = address::composeInfoText(s.hostName, s.publicIp, s.publicIpv6, s.lan);
            text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
            out << text;
            if (!text.endsWith(u'\n'))
                out << '\n';
            out.flush();
            QCoreApplication::exit(0);
        });
    app::startWithStoredServices(source);
    return QCoreApplication::exec();
}

} // namespace cli
