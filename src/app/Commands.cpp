#include "Commands.h"

#include "CommandRouter.h"
#include "MainWindow.h"
#include "PingWindow.h"
#include "SettingsStore.h"
#include "TraceRouteWindow.h"

#include <QDesktopServices>
#include <QUrl>

namespace app {

void installCommands(CommandRouter &router, MainWindow &window)
{
    router.addAction(cmd::Open, [&window] { window.openFromTray(); });
    router.addAction(cmd::Web,
                     [] { QDesktopServices::openUrl(QUrl(settings::SettingsStore().homePage())); });
    router.addAction(cmd::Exit, [&window] { window.close(); });
    router.addWindow(cmd::Ping, CommandRouter::Modality::Modal,
                     [](QWidget *p) { return new tools::PingWindow(p); });
    router.addWindow(cmd::Trace, CommandRouter::Modality::Modal,
                     [](QWidget *p) { return new tools::TraceRouteWindow(p); });
}

} // namespace app
