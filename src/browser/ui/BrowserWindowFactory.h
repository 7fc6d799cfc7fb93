#pragma once

#include "BrowserAddresses.h"

#include <QtPlugin>

class QWidget;

namespace browser {

// What the browser plug-in offers. The browser window lives in a plug-in
// of its own so that the web engine, well over a hundred megabytes of
// library, is loaded only when the user first opens the window and never
// weighs on the program that sits in the tray.
class BrowserWindowFactory
{
public:
    virtual ~BrowserWindowFactory() = default;
    // A new browser window on the start page, or nullptr.
    virtual QWidget *createWindow(const BrowserAddresses &addresses) = 0;
};

} // namespace browser

#define QuorvelBrowserWindowFactory_iid "org.quorvel.BrowserWindowFactory/1"
Q_DECLARE_INTERFACE(browser::BrowserWindowFactory, QuorvelBrowserWindowFactory_iid)
