// Quorvel: the public IP address, host name and LAN addresses in the tray.
#include "AddressSource.h"
#include "AppIcon.h"
#include "MainWindow.h"
#include "QtTrayShell.h"
#include "SingleInstance.h"
#include "TerminationWatcher.h"

#include <QApplication>
#include <QSessionManager>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Quorvel"));
    QApplication::setApplicationName(QStringLiteral("Quorvel"));
    QApplication::setApplicationVersion(QStringLiteral(PROJECT_VERSION));

    // A second start for the same user ends here, without a word.
    app::SingleInstance instance;
    if (!instance.tryLock())
        return 0;

    QApplication::setWindowIcon(app::applicationIcon());

    // The window lives on hidden in the tray, and dialogs come and go while
    // it is hidden; only closing the main window ends the program.
    QApplication::setQuitOnLastWindowClosed(false);

    app::MainWindow window({new address::NetworkAddressSource, new tray::QtTrayShell});
    QObject::connect(&window, &app::MainWindow::closed, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);

    // Logging out asks the exit question where the session manager lets us
    // talk to the user, and a No keeps the session going.
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &window,
                     [&window](QSessionManager &session) {
                         if (!window.endSession([&session] { return session.allowsInteraction(); }))
                             session.cancel();
                         session.release();
                     });
    // A service manager or the terminal asking us to end gets a clean end:
    // the icon leaves the tray, the lock and the settings are left in order.
    platform::TerminationWatcher termination;
    QObject::connect(&termination, &platform::TerminationWatcher::terminationRequested, &window,
                     &app::MainWindow::quitWithoutQuestion);

    window.load();
    return app.exec();
}
