#include "BrowserCaption.h"

namespace browser {

QString captionWith(const QString &text)
{
    return kBrowserCaption + QStringLiteral(" - ") + text;
}

QString busyCaption()
{
    return captionWith(QStringLiteral("Open page, please wait..."));
}

std::optional<QString> captionAfterLoad(const QString &title, const QString &startingAddress)
{
    // Every title contains the empty text: without a start page, no title
    // is the start page's. No title at all means no page is shown.
    if (title.isEmpty() || (!startingAddress.isEmpty() && title.contains(startingAddress)))
        return std::nullopt;
    return captionWith(title);
}

QString captionWhenIdle(const QString &title, const QString &startingAddress)
{
    return captionAfterLoad(title, startingAddress).value_or(QString(kBrowserCaption));
}

} // namespace browser
