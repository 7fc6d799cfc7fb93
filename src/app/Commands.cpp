#include "Commands.h"

#include "CommandRouter.h"
#include "EmailSettingsDialog.h"
#include "MainWindow.h"
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
        cmd::Send, CommandRouter::Modality::Modal,
        [&window](QWidget *parent) {
            return new mail::EmailSettingsDialog(
                window.mailClient(), [&window] { return window.notification(); }, parent);
        },
        [&window] { window.loadMailSettings(); });
}

} // namespace app
