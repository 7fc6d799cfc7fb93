#include "Commands.h"

#include "AboutDialog.h"
#include "AdapterWindow.h"
#include "BrowserAddresses.h"
#include "BrowserLauncher.h"
#include "BrowserSettings.h"
#include "CommandRouter.h"
#include "ConnectionStateWindow.h"
#include "EmailSettingsDialog.h"
#include "MainWindow.h"
#include "NameLookupWindow.h"
#include "NotificationSender.h"
#include "PingWindow.h"
#include "PreferencesDialog.h"
#include "RemoteMacWindow.h"
#include "SettingsStore.h"
#include "TraceRouteWindow.h"

#include <QDesktopServices>
#include <QMessageBox>
#include <QUrl>

namespace app {

using Modality = CommandRouter::Modality;

#ifdef QUORVEL_BROWSER_PROGRAM
namespace {

// The browser is a program of its own, run by a launcher that belongs to
// the router; each time, it is opened with the settings as they are then.
// What goes wrong with it is told in a message box, and this program goes on.
std::function<void()> browserCommand(CommandRouter &router)
{
    auto *launcher = new browser::BrowserLauncher(&router);
    launcher->setObjectName(QStringLiteral("browserLauncher"));
    QObject::connect(launcher, &browser::BrowserLauncher::failed, [](const QString &message) {
        qWarning("%s", qPrintable(message));
        auto *box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Quorvel"), message);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->show();
    });
    return [launcher] {
        launcher->open(browser::configuredStartPage(), browser::configuredTranslationHost());
    };
}

} // namespace
#endif

void installCommands(CommandRouter &router, MainWindow &window)
{
    router.addAction(cmd::Open, [&window] { window.openFromTray(); });
    router.addAction(cmd::Web,
                     [] { QDesktopServices::openUrl(QUrl(settings::SettingsStore().homePage())); });
    router.addAction(cmd::Exit, [&window] { window.close(); });
    router.addWindow(cmd::IpLook, Modality::Modal,
                     [](QWidget *parent) { return new tools::NameLookupWindow(parent); });
    router.addWindow(cmd::State, Modality::Modal,
                     [](QWidget *parent) { return new tools::ConnectionStateWindow(parent); });
    router.addWindow(cmd::Adapters, Modality::Modal, [&router](QWidget *parent) {
        auto *w = new tools::AdapterWindow(parent);
        QObject::connect(w, &tools::AdapterWindow::remoteMacRequested, &router,
                         [&router] { router.run(cmd::RemoteMac); });
        return w;
    });
    router.addWindow(cmd::RemoteMac, Modality::Modal,
                     [](QWidget *parent) { return new tools::RemoteMacWindow(parent); });
    router.addWindow(cmd::Ping, Modality::Modal,
                     [](QWidget *parent) { return new tools::PingWindow(parent); });
    router.addWindow(cmd::Trace, Modality::Modal,
                     [](QWidget *parent) { return new tools::TraceRouteWindow(parent); });
#ifdef QUORVEL_BROWSER_PROGRAM
    router.addAction(cmd::Browser, browserCommand(router));
#else
    // Built without the web engine: the default browser asks the same page
    // through the same translation service.
    router.addAction(cmd::Browser, [] {
        QDesktopServices::openUrl(
            QUrl(browser::browserAddresses(browser::configuredStartPage(),
                                           browser::configuredTranslationHost())
                     .proxiedStart()));
    });
#endif
    router.addWindow(cmd::About, Modality::Modal,
                     [](QWidget *parent) { return new about::AboutDialog(parent); });
    router.addWindow(
        cmd::Preferences, Modality::Modal,
        [](QWidget *parent) { return new settings::PreferencesDialog(parent); },
        [&window] { window.loadPreferences(); });
    router.addWindow(cmd::Send, Modality::Modal, [&window](QWidget *parent) {
        return new mail::EmailSettingsDialog(
            window.refreshCycle()->mailSender()->client(),
            [&window] { return window.notification(); }, parent);
    });
}

} // namespace app
