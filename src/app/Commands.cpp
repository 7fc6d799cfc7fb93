#include "Commands.h"

#include "CommandRouter.h"
#include "MainWindow.h"
#include "PreferencesDialog.h"
#include "SettingsStore.h"

#include <QDesktopServices>
#include <QUrl>

namespace app {

void installCommands(CommandRouter &router, MainWindow &window)
{
    router.addAction(cmd::Open, [&window] { window.openFromTray(); });
    router.addAction(cmd::Web,
                     [] { QDesktopServices::openUrl(QUrl(settings::SettingsStore().homePage())); });
    router.addAction(cmd::Exit, [&window] { window.close(); });
    router.addWindow(
        cmd::Preferences, CommandRouter::Modality::Modal,
        [](QWidget *parent) { return new settings::PreferencesDialog(parent); },
        [&window] { window.loadPreferences(); });
}

} // namespace app
