#pragma once

#include <QLatin1StringView>
#include <QString>
#include <optional>

namespace browser {

inline constexpr QLatin1StringView kBrowserCaption{"Anonymous Surfing (Google Exploit)"};

// "Anonymous Surfing (Google Exploit) - " and the text.
QString captionWith(const QString &text);
// While a page is on its way.
QString busyCaption();

// After a page has loaded, been navigated to or stopped: the page's title
// joins the caption, except on the start page (its title names the
// starting address) and where no page is shown (no title), where the
// caption is left as it is (nothing).
std::optional<QString> captionAfterLoad(const QString &title, const QString &startingAddress);
// Once the busy indicator finds the page idle: the bare caption on the
// start page, the page's title everywhere else.
QString captionWhenIdle(const QString &title, const QString &startingAddress);

} // namespace browser
