#include "CommandRouter.h"

#include <QDialog>
#include <QSignalSpy>
#include <QtTest>

using app::CommandRouter;

class TestCommandRouter : public QObject
{
    Q_OBJECT
private slots:
    void oneWindowPerCommand();
    void actionsAndUnknownKeys();
};

void TestCommandRouter::oneWindowPerCommand()
{
    QWidget owner;
    CommandRouter router(&owner);
    int made = 0, reloaded = 0;
    router.addWindow(
        QStringLiteral("ping"), CommandRouter::Modality::Modal,
        [&made](QWidget *parent) {
            ++made;
            return new QDialog(parent);
        },
        [&reloaded] { ++reloaded; });
    router.addWindow(QStringLiteral("browser"), CommandRouter::Modality::Modeless,
                     [](QWidget *) { return new QWidget; });

    router.run(QStringLiteral("ping"));
    QPointer<QWidget> first = router.openWindow(QStringLiteral("ping"));
    QVERIFY(first && first->isVisible());
    QCOMPARE(first->windowModality(), Qt::ApplicationModal);
    // A second request brings the open window back instead of a new one.
    first->showMinimized();
    router.run(QStringLiteral("ping"));
    QCOMPARE(made, 1);
    QCOMPARE(router.openWindow(QStringLiteral("ping")), first.data());
    QVERIFY(!first->isMinimized());
    QCOMPARE(reloaded, 0);

    // Closing deletes it, then the owner hears of it; the next request makes
    // a fresh one.
    QSignalSpy closed(&router, &CommandRouter::windowClosed);
    first->close();
    QTRY_VERIFY(first.isNull());
    QCOMPARE(reloaded, 1);
    QCOMPARE(closed.count(), 1);
    QVERIFY(!router.hasOpenWindows());
    router.run(QStringLiteral("ping"));
    QCOMPARE(made, 2);

    router.run(QStringLiteral("browser"));
    QCOMPARE(router.openWindow(QStringLiteral("browser"))->windowModality(), Qt::NonModal);
    delete router.openWindow(QStringLiteral("browser"));
    router.openWindow(QStringLiteral("ping"))->close();
    QTRY_VERIFY(!router.hasOpenWindows());
    QCOMPARE(reloaded, 2);
}

void TestCommandRouter::actionsAndUnknownKeys()
{
    QWidget owner;
    CommandRouter router(&owner);
    int runs = 0;
    router.addAction(QStringLiteral("web"), [&runs] { ++runs; });
    QVERIFY(router.handles(QStringLiteral("web")) && !router.handles(QStringLiteral("Web")));
    router.run(QStringLiteral("web"));
    router.run(QStringLiteral("Web"));
    router.run(QString());
    QCOMPARE(runs, 1);
    QCOMPARE(router.openWindow(QStringLiteral("web")), nullptr);
}

QTEST_MAIN(TestCommandRouter)
#include "TestCommandRouter.moc"
