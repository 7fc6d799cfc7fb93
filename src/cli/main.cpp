// quorvel-cli: what the windows show, for terminals and scripts.
#include "CliCommand.h"

#include <QCoreApplication>
#include <array>

namespace {

// One line per subcommand.
constexpr std::array kCommands{
    cli::CliCommand{"ip", "", "print the host name, the public addresses and the LAN addresses",
                    cli::runIp},
    cli::CliCommand{"lookup", "NAME", "print the first IPv4 address of a host name",
                    cli::runLookup},
    cli::CliCommand{"adapters", "", "list the network adapters with their MAC addresses",
                    cli::runAdapters},
    cli::CliCommand{"mac", "ADDRESS", "ask a machine on the local network for its MAC address",
                    cli::runMac},
    cli::CliCommand{"state", "", "print how this machine is connected to the Internet",
                    cli::runState},
    cli::CliCommand{"ping", "ADDRESS [DATA]", "send one ICMP echo request and show the reply",
                    cli::runPing},
    cli::CliCommand{"trace", "HOST [--resolve] [--chars N]", "trace the route to a host",
                    cli::runTrace},
    cli::CliCommand{"watch", "[--interval MIN]",
                    "refresh on a timer; print and mail every change of the public IP address",
                    cli::runWatch},
    cli::CliCommand{"send-test-mail", "", "send one notification e-mail with the stored settings",
                    cli::runSendTestMail},
};

int usage(QTextStream &out, int status)
{
    out << "Usage: quorvel-cli COMMAND [ARGUMENTS]\n";
    for (const cli::CliCommand &c : kCommands) {
        const QString call = QString::fromLatin1(c.name) + u' ' + QString::fromLatin1(c.usage);
        out << "  " << call.trimmed().leftJustified(28) << ' ' << c.summary << '\n';
    }
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
    if (args.isEmpty())
        return usage(err, 2);
    if (args.first() == QLatin1String("--help") || args.first() == QLatin1String("-h"))
        return usage(out, 0);
    for (const cli::CliCommand &c : kCommands) {
        if (args.first() != QLatin1String(c.name))
            continue;
        const int status = c.run(args.mid(1), out, err);
        // A command that does not take what it was given says so by -1.
        return status == -1 ? usage(err, 2) : status;
    }
    return usage(err, 2);
}
