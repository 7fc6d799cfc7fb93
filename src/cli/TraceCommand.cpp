#include "CliCommand.h"
#include "TraceRoute.h"
#include "TraceTexts.h"

#include <QCoreApplication>

namespace cli {

int runTrace(const QStringList &args, QTextStream &out, QTextStream &err)
{
    tools::TraceRoute::Options options;
    QString host;
    bool haveHost = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--resolve")) {
            options.resolveNames = true;
        } else if (args[i] == QLatin1String("--chars") && i + 1 < args.size()) {
            options.charsPerPacket = tools::clampCharsPerPacket(args[++i]).count;
        } else if (!haveHost && !args[i].startsWith(u'-')) {
            host = args[i];
            haveHost = true;
        } else {
            return -1;
        }
    }
    if (!haveHost)
        return -1;
    options.host = host;

    tools::TraceRoute trace;
    bool lineOpen = false;
    QObject::connect(&trace, &tools::TraceRoute::textAdded, qApp, [&](const QString &text) {
        // The window's listing, with the terminal's line ends.
        QString lines = text;
        lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        out << lines;
        out.flush();
        lineOpen = !lines.endsWith(u'\n');
    });
    QObject::connect(&trace, &tools::TraceRoute::openFailed, qApp, [&](const QString &message) {
        err << "Unable to Open an Icmp File Handle\n" << message << '\n';
        err.flush();
    });
    QObject::connect(&trace, &tools::TraceRoute::finished, qApp, [&](bool complete) {
        if (lineOpen)
            out << '\n';
        out.flush();
        QCoreApplication::exit(complete ? 0 : 1);
    });
    trace.start(options);
    return QCoreApplication::exec();
}

} // namespace cli
