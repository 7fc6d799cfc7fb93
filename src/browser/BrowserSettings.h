#pragma once

#include <QString>

namespace browser {

// What the browser is opened with, read from the settings on every call.
// The start page: the configured host's public-IP page, else the first
// address service a refresh would ask, so the browser shows the address
// the visited sites see; empty when the settings leave none usable.
QString configuredStartPage();
// The translation service: "Translation Host", else the default.
QString configuredTranslationHost();

} // namespace browser
