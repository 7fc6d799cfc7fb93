#include "CliCommand.h"
#include "ConnectionTexts.h"

namespace cli {

int runState(const QStringList &args, QTextStream &out, QTextStream &)
{
    if (!args.isEmpty())
        return -1;
    const auto texts = tools::connectionReport();
    for (size_t i = 0; i < 5; ++i)
        out << tools::kConnectionLabels[i] << ' ' << texts[i] << '\n';
    // The sentence takes lines of its own, as in the window's larger field.
    QString sentence = texts[5];
    sentence.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    out << tools::kConnectionLabels[5] << '\n' << sentence << '\n';
    return 0;
}

} // namespace cli
