#include "PublicIp.h"

namespace address {

QUrl publicIpPageUrl(const QString &host)
{
    QUrl url(QStringLiteral("http://") + host + QStringLiteral("/quorvel.php"), QUrl::StrictMode);
    // A host with a path, query or user part of its own is not a host.
    if (!url.isValid() || url.host().isEmpty() || url.path() != QLatin1String("/quorvel.php") ||
        url.hasQuery() || url.hasFragment() || !url.userInfo().isEmpty())
        return QUrl();
    return url;
}

QString cutPublicIp(const QByteArray &page)
{
    const qsizetype marker = page.indexOf(kMarker);
    if (marker < 0)
        return kUnableToParseIP;
    const qsizetype open = page.indexOf('>', marker + 1);
    if (open < 0)
        return kUnableToParseIP;
    const qsizetype close = page.indexOf('<', open + 2);
    if (close < 0)
        return kUnableToParseIP;
    return QString::fromLatin1(page.mid(open + 1, close - open - 1));
}

} // namespace address
