#include "AppIcon.h"

#include <QCoreApplication>
#include <QImage>
#include <QPixmap>
#include <QResource>

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
    // want it at start-up. Dropped with the application, before the
    // images' system goes.
    static QIcon *icon = nullptr;
    if (!icon) {
        initResources();
        icon = new QIcon;
        // Raw pixels rather than PNGs: Qt decodes every PNG as it is added,
        // which for these five small images was a twentieth of all the
        // work up to the visible window.
        for (int size : kApplicationIconSizes) {
            const QResource pixels(QStringLiteral(":/icons/quorvel-%1.rgba").arg(size));
            const QByteArray bytes = pixels.uncompressedData();
            if (bytes.size() != qsizetype(size) * size * 4)
                continue;
            const QImage image(reinterpret_cast<const uchar *>(bytes.constData()), size, size,
                               size * 4, QImage::Format_RGBA8888);
            // fromImage copies, so the bytes need not outlive this loop.
            icon->addPixmap(QPixmap::fromImage(image));
        }
        qAddPostRoutine([] { delete std::exchange(icon, nullptr); });
    }
    return *icon;
}

} // namespace app
