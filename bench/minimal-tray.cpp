// The smallest program that does what ours does up to its window: a tray
// icon with a menu, a window with a menu bar, shown once the address page
// (the URL given) has been fetched. The yardstick for our start-up time and
// idle memory, beside the bare window of minimal-qt.cpp.
#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QNetworkAccessManager>
#include <QNetworkReply>
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
    auto *label = new QLabel(QStringLiteral("Quorvel"));
    window.setCentralWidget(label);
    QPixmap image(16, 16);
    image.fill(Qt::darkBlue);
    QMenu menu;
    menu.addAction(QStringLiteral("E&xit"), &app, &QApplication::quit);
    QSystemTrayIcon tray{QIcon(image)};
    tray.setContextMenu(&menu);
    tray.show();
    QNetworkAccessManager network;
    if (argc > 1) {
        QNetworkReply *reply = network.get(QNetworkRequest(QUrl(QString::fromLocal8Bit(argv[1]))));
        QObject::connect(reply, &QNetworkReply::finished, &window, [reply, label, &window] {
            label->setText(QString::fromUtf8(reply->readAll()));
            reply->deleteLater();
            window.show();
        });
    } else {
        window.show();
    }
    return app.exec();
}
