#include "Commands.h"

#include "AboutDialog.h"
#include "BrowserLoader.h"
#include "CommandRouter.h"
#include "MainWindow.h"
#include "SettingsStore.h"

#include <QDesktopServices>
#include <QUrl>

namespace app {

void installCommands(CommandRouter &router, MainWindow &window)
{
    using Modality = CommandRouter::Modality;
    // The browser is nobody's child: it may outlive the main window.
    router.addWindow(cmd::Browser, Modality::Modeless,
                     [](QWidget *) { return browser::BrowserLoader::createWindow(); });
    router.addWindow(cmd::About, Modality::Modal,
                     [](QWidget *parent) { return new about::AboutDialog(parent); });
    router.addAction(cmd::Open, [&window] { window.openFromTray(); });
    router.addAction(cmd::Web,
                     [] { QDesktopServices::openUrl(QUrl(settings::SettingsStore().homePage())); });
    router.addAction(cmd::Exit, [&window] { window.close(); });
}

} // namespace app
