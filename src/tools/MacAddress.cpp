#include "MacAddress.h"

namespace tools {

QString macAddressText(const QByteArray &bytes, const QString &separator)
{
    if (bytes.isEmpty())
        return QStringLiteral("(error building MAC address)");
    if (bytes.size() != 6)
        return {};
    QString text;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (i > 0)
            text += separator;
        text += QStringLiteral("%1").arg(quint8(bytes[i]), 2, 16, QLatin1Char('0')).toUpper();
    }
    return text;
}

} // namespace tools
