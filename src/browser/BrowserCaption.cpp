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
    if (title.contains(startingAddress))
        return std::nullopt;
    return captionWith(title);
}

QString captionWhenIdle(const QString &title, const QString &startingAddress)
{
    return captionAfterLoad(title, startingAddress).value_or(QString(kBrowserCaption));
}

} // namespace browser
