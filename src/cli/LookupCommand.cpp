#include "CliCommand.h"
#include "HostLookup.h"

#include <QCoreApplication>

namespace cli {

int runLookup(const QStringList &args, QTextStream &out, QTextStream &)
{
    if (args.size() != 1)
        return -1;
    tools::HostLookup lookup;
    QObject::connect(&lookup, &tools::HostLookup::finished, qApp, [&out](const QString &address) {
        // An empty line, as the window's empty field, when the name does
        // not resolve; the status tells scripts apart.
        out << address << '\n';
        out.flush();
        QCoreApplication::exit(address.isEmpty() ? 1 : 0);
    });
    lookup.start(args.first());
    return QCoreApplication::exec();
}

} // namespace cli
