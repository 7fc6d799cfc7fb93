// The smallest Qt widgets program that shows a window: the yardstick for
// the start-up time and idle memory of ours.
#include <QApplication>
#include <QLabel>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QLabel label(QStringLiteral("Quorvel"));
    label.setWindowTitle(QStringLiteral("Quorvel"));
    label.show();
    return app.exec();
}
