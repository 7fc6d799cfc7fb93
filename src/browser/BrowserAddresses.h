#pragma once

#include <QLatin1StringView>
#include <QString>

namespace browser {

// The translation service every page is fetched through, unless the
// settings name another ("Translation Host").
inline constexpr QLatin1StringView kDefaultTranslationHost{"translate.google.com"};
// Shown in the address box while the start page loads.
inline constexpr QLatin1StringView kSearchSite{"www.google.com"};

// Removes a leading "http://" in any mix of case. Other schemes stay: the
// translation service is told the page's scheme is http, so only that one
// may be dropped.
QString stripScheme(const QString &address);

// The addresses the browser window works with. Every page is asked for as
// startTag + address without its scheme + endTag, so the visited site sees
// the translation service and not the user.
struct BrowserAddresses
{
    // The public-IP page: where the browser opens, so that the user sees
    // the address the visited sites see. Empty when the settings name no
    // usable page; the browser then opens on nothing.
    QString startingAddress;
    // Ends in the encoded "http://" of the page that follows it.
    QString startTag;
    // Italian to English, English interface, UTF-8 in and out.
    QString endTag;
    QString searchSite;

    // Joined as typed: no percent-encoding, so an "&" in the address
    // reaches the service as a query key of its own.
    QString proxied(const QString &address) const;
    // The start page through the service. Its whole address is known,
    // scheme included, so it goes out as it is: an https page (the built-in
    // address services are) keeps its scheme instead of being read as
    // http. Empty when there is no start page.
    QString proxiedStart() const;
};

// startPage is the full address the browser opens on (the public-IP page);
// translationHost is host or host:port.
BrowserAddresses browserAddresses(const QString &startPage, const QString &translationHost);

} // namespace browser
