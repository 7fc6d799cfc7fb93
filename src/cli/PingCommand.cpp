#include "CliCommand.h"
#include "EchoTexts.h"
#include "Pinger.h"

#include <QCoreApplication>

namespace cli {

int runPing(const QStringList &args, QTextStream &out, QTextStream &err)
{
    if (args.isEmpty() || args.size() > 2)
        return -1;
    tools::Pinger pinger;
    QObject::connect(&pinger, &tools::Pinger::finished, qApp,
                     [&](int status, const platform::EchoReply &reply) {
                         const tools::PingFields f = tools::pingFields(status, reply);
                         const QString values[] = {f.status,
                                                   f.address,
                                                   f.roundTrip,
                                                   f.dataSize,
                                                   f.dataReturned.value_or(QString()),
                                                   f.dataPointer};
                         for (int i = 0; i < 6; ++i)
                             out << tools::kPingFieldLabels[i] << ' ' << values[i] << '\n';
                         out.flush();
                         QCoreApplication::exit(status == platform::ipstatus::Success ? 0 : 1);
                     });
    QObject::connect(&pinger, &tools::Pinger::openFailed, qApp, [&](const QString &message) {
        err << message << '\n';
        err.flush();
        QCoreApplication::exit(1);
    });
    pinger.start(args[0], args.size() > 1 ? args[1].toLocal8Bit() : QByteArray("Echo This"));
    return QCoreApplication::exec();
}

} // namespace cli
