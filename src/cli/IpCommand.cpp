#include "AddressSource.h"
#include "CliCommand.h"
#include "HostAddresses.h"
#include "SettingsStore.h"

#include <QCoreApplication>

namespace cli {

int runIp(const QStringList &args, QTextStream &out, QTextStream &err)
{
    if (!args.isEmpty())
        return -1;
    settings::SettingsStore store;
    address::NetworkAddressSource source;
    QObject::connect(&source, &address::AddressSource::finished, qApp,
                     [&](const address::AddressSnapshot &s) {
                         for (const QString &m : s.messages)
                             err << m << '\n';
                         if (!s.publicIpProblem.isEmpty())
                             err << s.publicIpProblem << '\n';
                         err.flush();
                         // The same three lines as the tray tip, with the
                         // terminal's own line ends.
                         QString text = address::composeInfoText(s.hostName, s.publicIp, s.lan);
                         text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
                         out << text;
                         if (!text.endsWith(u'\n'))
                             out << '\n';
                         out.flush();
                         QCoreApplication::exit(0);
                     });
    source.start(address::chooseServices(store.ipServiceHost(), store.ipServices()));
    return QCoreApplication::exec();
}

} // namespace cli
