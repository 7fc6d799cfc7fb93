#include "BrowserAddresses.h"

#include <QUrl>

namespace browser {

namespace {
const QString kHttp = QStringLiteral("http://");
const QString kEncodedHttp = QStringLiteral("http%3A%2F%2F");
} // namespace

QString stripScheme(const QString &address)
{
    return address.startsWith(kHttp, Qt::CaseInsensitive) ? address.mid(kHttp.size()) : address;
}

QString BrowserAddresses::proxied(const QString &address) const
{
    return startTag + stripScheme(address) + endTag;
}

QString BrowserAddresses::proxiedStart() const
{
    const qsizetype schemeEnd = startingAddress.indexOf(QStringLiteral("://"));
    if (schemeEnd <= 0)
        return startingAddress.isEmpty() ? QString() : proxied(startingAddress);
    // The scheme encoded the way the tag encodes "http://", the rest as is.
    const QString scheme = QString::fromLatin1(
        QUrl::toPercentEncoding(startingAddress.first(schemeEnd + 3).toLower()));
    return startTag.chopped(kEncodedHttp.size()) + scheme + startingAddress.mid(schemeEnd + 3) +
           endTag;
}

BrowserAddresses browserAddresses(const QString &startPage, const QString &translationHost)
{
    BrowserAddresses a;
    a.startingAddress = startPage;
    a.startTag = kHttp + translationHost + QStringLiteral("/translate?u=") + kEncodedHttp;
    a.endTag = QStringLiteral("&langpair=it%7Cen&hl=en&ie=UTF-8&oe=UTF-8&prev=%2Flanguage_tools");
    a.searchSite = kSearchSite;
    return a;
}

} // namespace browser
