// The smallest tray program: a window with a menu bar and an icon in the
// tray with a menu of its own, which is what ours is before it does
// anything. The yardstick for our start-up time and idle memory beside the
// bare window of minimal-qt.cpp.
#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QPixmap>
#include <QSystemTrayIcon>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Quorvel"));
    window.menuBar()
        ->addMenu(QStringLiteral("&File"))
        ->addAction(QStringLiteral("E&xit"), &app, &QApplication::quit);
    window.setCentralWidget(new QLabel(QStringLiteral("Quorvel")));
    QPixmap image(16, 16);
    image.fill(Qt::darkBlue);
    QMenu menu;
    menu.addAction(QStringLiteral("E&xit"), &app, &QApplication::quit);
    QSystemTrayIcon tray{QIcon(image)};
    tray.setContextMenu(&menu);
    tray.show();
    window.show();
    return app.exec();
}
