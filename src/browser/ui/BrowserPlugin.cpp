#include "BrowserWindow.h"
#include "BrowserWindowFactory.h"

#include <QObject>

namespace browser {

// The plug-in's entry: hands out browser windows to the program that
// loaded it.
class BrowserPlugin : public QObject, public BrowserWindowFactory
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QuorvelBrowserWindowFactory_iid)
    Q_INTERFACES(browser::BrowserWindowFactory)
public:
    QWidget *createWindow(const BrowserAddresses &addresses) override
    {
        return new BrowserWindow(addresses);
    }
};

} // namespace browser

#include "BrowserPlugin.moc"
