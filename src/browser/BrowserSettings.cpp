#include "BrowserSettings.h"

#include "AddressServices.h"
#include "BrowserAddresses.h"
#include "SettingsKeys.h"
#include "SettingsStore.h"

namespace browser {

QString configuredStartPage()
{
    const settings::SettingsStore store;
    return address::serviceStartUrl(
               address::chooseServices(store.ipServiceHost(), store.ipServices()))
        .toString();
}

QString configuredTranslationHost()
{
    const QString host = settings::SettingsStore()
                             .value(settings::keys::TranslationHost, QString())
                             .value_or(QString())
                             .trimmed();
    return host.isEmpty() ? QString(kDefaultTranslationHost) : host;
}

} // namespace browser
