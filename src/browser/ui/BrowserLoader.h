#pragma once

#include "BrowserAddresses.h"

#include <QString>

class QWidget;

namespace browser {

// Opens the browser window from its plug-in, loading the plug-in (and
// with it the web engine) on first use. The plug-in is looked for beside
// the program, then in the installed library folder (see ProgramFiles.h),
// then along QCoreApplication::libraryPaths().
class BrowserLoader
{
public:
    // The plug-in's file name without its folder and suffix.
    static constexpr const char *kPluginName = "quorvel-browser";

    // A new browser window (a top-level window of its own, not owned by
    // anyone), or nullptr when the plug-in cannot be loaded; errorString()
    // then says why.
    static QWidget *createWindow();
    static QString errorString();

    // The addresses from the settings: the public-IP page the main window
    // asks, and the translation service.
    static BrowserAddresses configuredAddresses();
    // The public-IP page the browser opens on: the configured service's
    // page, or else the first address service the refresh would ask, so the
    // browser shows the address the sites see.
    static QString startPage();
    // The start page as the browser window would ask for it: through the
    // translation service. Where there is no browser window, the default
    // browser is sent there instead.
    static QString proxiedStartPage();
};

} // namespace browser
