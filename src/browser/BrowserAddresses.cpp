#include "BrowserAddresses.h"

namespace browser {

namespace {
const QString kHttp = QStringLiteral("http://");
}

QString stripScheme(const QString &address)
{
    return address.startsWith(kHttp, Qt::CaseInsensitive) ? address.mid(kHttp.size()) : address;
}

QString BrowserAddresses::proxied(const QString &address) const
{
    return startTag + stripScheme(address) + endTag;
}

BrowserAddresses browserAddresses(const QString &startPage, const QString &translationHost)
{
    BrowserAddresses a;
    a.startingAddress = startPage;
    a.startTag = kHttp + translationHost + QStringLiteral("/translate?u=http%3A%2F%2F");
    a.endTag = QStringLiteral("&langpair=it%7Cen&hl=en&ie=UTF-8&oe=UTF-8&prev=%2Flanguage_tools");
    a.searchSite = kSearchSite;
    return a;
}

} // namespace browser
