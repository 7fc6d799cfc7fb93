#include "AdapterListing.h"
#include "AdapterStatusSource.h"
#include "CliCommand.h"

namespace cli {

int runAdapters(const QStringList &args, QTextStream &out, QTextStream &)
{
    if (!args.isEmpty())
        return -1;
    for (const QString &item : tools::listAdapters(*platform::systemAdapterSource()))
        out << item << '\n';
    return 0;
}

} // namespace cli
