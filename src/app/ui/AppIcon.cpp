#include "AppIcon.h"

#include <QCoreApplication>

#include <utility>

// The images live in this static library, whose resources are only
// registered on request.
static void initResources()
{
    Q_INIT_RESOURCE(quorvel);
}

namespace app {

QIcon applicationIcon()
{
    // Read once per application: the window, its picture and the tray all
    // want it at start-up, and reading five images each time shows there.
    // Dropped with the application, before the images' system goes.
    static QIcon *icon = nullptr;
    if (!icon) {
        initResources();
        icon = new QIcon;
        for (int size : {16, 32, 48, 64, 128})
            icon->addFile(QStringLiteral(":/icons/quorvel-%1.png").arg(size), QSize(size, size));
        qAddPostRoutine([] { delete std::exchange(icon, nullptr); });
    }
    return *icon;
}

} // namespace app
