#include "CliCommand.h"
#include "RemoteMac.h"

namespace cli {

int runMac(const QStringList &args, QTextStream &out, QTextStream &)
{
    // The window does nothing for an empty address; here it is a mistake.
    if (args.size() != 1 || args.first().isEmpty())
        return -1;
    const QString text = tools::remoteMacResult(args.first());
    out << text << '\n';
    return text == tools::kArpFailedText ? 1 : 0;
}

} // namespace cli
