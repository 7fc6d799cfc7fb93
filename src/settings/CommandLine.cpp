#include "CommandLine.h"

namespace settings {

CommandLine splitCommandLine(const QString &line)
{
    CommandLine result;
    QString current;
    bool inArgument = false;
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (quoted) {
            if (c == u'"') {
                quoted = false;
            } else if (c == u'\\' && i + 1 < line.size() &&
                       QStringView(u"\"`$\\").contains(line.at(i + 1))) {
                current += line.at(++i);
            } else {
                current += c;
            }
        } else if (c == u' ' || c == u'\t') {
            if (inArgument)
                result.arguments << std::exchange(current, QString());
            inArgument = false;
        } else if (c == u'"') {
            quoted = inArgument = true;
        } else {
            current += c;
            inArgument = true;
        }
    }
    if (quoted)
        return {{}, QStringLiteral("a double quote is not closed")};
    if (inArgument)
        result.arguments << current;
    return result;
}

} // namespace settings
