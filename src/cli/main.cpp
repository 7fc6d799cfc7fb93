// quorvel-cli: what the window shows, for terminals and scripts.
#include "AddressSource.h"
#include "HostAddresses.h"
#include "SettingsStore.h"

#include <QCoreApplication>
#include <QTextStream>

namespace {

int usage(QTextStream &out, int status)
{
    out << "Usage: quorvel-cli ip\n"
           "  ip    print the host name, the public IP address and the LAN addresses\n";
    return status;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Quorvel"));
    QCoreApplication::setApplicationName(QStringLiteral("Quorvel"));
    QTextStream out(stdout);
    QTextStream err(stderr);

    const QStringList args = app.arguments().mid(1);
    if (args == QStringList{QStringLiteral("--help")} || args == QStringList{QStringLiteral("-h")})
        return usage(out, 0);
    if (args != QStringList{QStringLiteral("ip")})
        return usage(err, 2);

    settings::SettingsStore store;
    address::NetworkAddressSource source;
    int status = 0;
    QObject::connect(&source, &address::AddressSource::finished, &app,
                     [&](const address::AddressSnapshot &s) {
                         for (const QString &m : s.messages)
                             err << m << '\n';
                         err.flush();
                         // The same three lines as the tray tip, with the
                         // terminal's own line ends.
                         QString text = address::composeInfoText(s.hostName, s.publicIp, s.lan);
                         text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
                         out << text;
                         if (!text.endsWith(u'\n'))
                             out << '\n';
                         out.flush();
                         app.exit(status);
                     });
    source.start(store.ipServiceHost());
    return app.exec();
}
