#include "AppIcon.h"

// The images live in this static library, whose resources are only
// registered on request.
static void initResources()
{
    Q_INIT_RESOURCE(quorvel);
}

namespace app {

QIcon applicationIcon()
{
    initResources();
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128})
        icon.addFile(QStringLiteral(":/icons/quorvel-%1.png").arg(size), QSize(size, size));
    return icon;
}

} // namespace app
