// Quorvel: the public IP address, host name and LAN addresses in the tray.
#include "AddressSource.h"
#include "AppIcon.h"
#include "QtTrayShell.h"
#include "SingleInstance.h"
#include "frmQuorvel.h"

#include <QApplication>

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

    app::frmQuorvel window({new address::NetworkAddressSource, new tray::QtTrayShell});
    QObject::connect(&window, &app::frmQuorvel::closed, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    window.Form_Load();
    return app.exec();
}
