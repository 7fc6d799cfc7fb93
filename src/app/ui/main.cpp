// Quorvel: the public IP address, host name and LAN addresses in the tray.
#include "AddressSource.h"
#include "AppIcon.h"
#include "BrowserLauncher.h"
#include "CommandRouter.h"
#include "FreeMemory.h"
#include "MainWindow.h"
#include "QtTrayShell.h"
#include "SingleInstance.h"
#include "TerminationWatcher.h"

#include <QApplication>
#include <QSessionManager>
#include <QTimer>

namespace {
constexpr int kStartUpSettleMs = 1000;
}

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Quorvel"));
    QApplication::setApplicationName(QStringLiteral("Quorvel"));
    QApplication::setApplicationVersion(QStringLiteral(PROJECT_VERSION));

    // A service manager or the terminal asking us to end gets a clean end:
    // the icon leaves the tray, the lock and the settings are left in order.
    // Watched from the start, so that a request during start-up waits for
    // the event loop instead of killing the program.
    platform::TerminationWatcher termination;

    // A second start for the same user ends here, without a word.
    app::SingleInstance instance;
    if (!instance.tryLock())
        return 0;

    QApplication::setWindowIcon(app::applicationIcon());

    // The window lives on hidden in the tray, and dialogs come and go while
    // it is hidden; only closing the main window ends the program.
    QApplication::setQuitOnLastWindowClosed(false);

    app::MainWindow window({new address::NetworkAddressSource, new tray::QtTrayShell});
    // The program ends when the main window has closed and no window opened
    // from it is left: the browser may outlive the main window. The browser
    // is a program of its own, whose launcher the router's command made.
    auto *browserProgram = window.router()->findChild<browser::BrowserLauncher *>();
    bool mainWindowClosed = false;
    const auto quitWhenAllClosed = [&mainWindowClosed, &window, browserProgram] {
        if (mainWindowClosed && !window.router()->hasOpenWindows() &&
            !(browserProgram && browserProgram->isRunning()))
            QCoreApplication::quit();
    };
    QObject::connect(
        &window, &app::MainWindow::closed, &app,
        [&mainWindowClosed, quitWhenAllClosed] {
            mainWindowClosed = true;
            quitWhenAllClosed();
        },
        Qt::QueuedConnection);
    QObject::connect(window.router(), &app::CommandRouter::windowClosed, &app, quitWhenAllClosed,
                     Qt::QueuedConnection);
    if (browserProgram)
        QObject::connect(browserProgram, &browser::BrowserLauncher::finished, &app,
                         quitWhenAllClosed, Qt::QueuedConnection);

    // Logging out asks the exit question where the session manager lets us
    // talk to the user, and a No keeps the session going.
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &window,
                     [&window](QSessionManager &session) {
                         if (!window.endSession([&session] { return session.allowsInteraction(); }))
                             session.cancel();
                         session.release();
                     });
    // Every other window closes with it, and the last to go ends the program.
    QObject::connect(&termination, &platform::TerminationWatcher::terminationRequested, &window,
                     [&window, browserProgram] {
                         window.quitWithoutQuestion();
                         QApplication::closeAllWindows();
                         if (browserProgram)
                             browserProgram->close();
                     });

    // Start-up is over a moment after the first refresh has been shown (its
    // balloon and home-page visit included); what it built and dropped
    // need not stay resident while the program idles in the tray.
    QObject::connect(
        &window, &app::MainWindow::refreshFinished, &app,
        [] { QTimer::singleShot(kStartUpSettleMs, &platform::releaseFreeMemory); },
        Qt::SingleShotConnection);

    window.load();
    return app.exec();
}
