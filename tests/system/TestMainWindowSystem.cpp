#include "AddressSource.h"
#include "MainWindow.h"
#include "PageServer.h"
#include "RecordingTrayShell.h"
#include "SettingsKeys.h"
#include "SettingsStore.h"
#include "TestEnvironment.h"

#include <QElapsedTimer>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>
#include <memory>

using app::MainWindow;

// The main window with the real network path against an HTTP server on
// loopback.
class TestMainWindowSystem : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void addressShownAndChangeAnnounced();
    void slowServerTimesOutWhileWindowResponds();

private:
    void makeWindow(const QString &ipServiceHost);
    bool waitRefresh(int ms = 10000);
    QString ipBox() const { return w->findChild<QLineEdit *>("publicIpEdit")->text(); }

    std::unique_ptr<TestEnvironment> env;
    std::unique_ptr<PageServer> server;
    RecordingTrayShell *shell = nullptr;
    std::unique_ptr<MainWindow> w;
};

void TestMainWindowSystem::init()
{
    env = std::make_unique<TestEnvironment>();
    server = std::make_unique<PageServer>();
    QVERIFY2(server->start(), qPrintable(server->errorString()));
    server->setAddress(QStringLiteral("127.0.0.1"));
    // Settle "don't ask" so cleanup can close without a question.
    settings::SettingsStore().setValue(settings::keys::DontAskConfirmation, "1");
}

void TestMainWindowSystem::cleanup()
{
    w.reset();
    server.reset();
    env.reset();
}

void TestMainWindowSystem::makeWindow(const QString &ipServiceHost)
{
    env->setLoopbackServices(ipServiceHost, server->url(QStringLiteral("/home")));
    // With a host of our own, a list is never asked.
    settings::SettingsStore().setValue(settings::keys::IPServices, server->url("/listed"));
    shell = new RecordingTrayShell;
    w = std::make_unique<MainWindow>(
        MainWindow::Services{new address::NetworkAddressSource, shell});
}

bool TestMainWindowSystem::waitRefresh(int ms)
{
    QSignalSpy done(w.get(), &MainWindow::refreshFinished);
    return done.wait(ms);
}

void TestMainWindowSystem::addressShownAndChangeAnnounced()
{
    makeWindow(server->hostPort());
    QSignalSpy done(w.get(), &MainWindow::refreshFinished);
    w->load();
    QVERIFY(done.wait(10000));
    QCOMPARE(ipBox(), QStringLiteral("127.0.0.1"));
    QCOMPARE(w->findChild<QLineEdit *>("hostNameEdit")->text(), QSysInfo::machineHostName());
    QVERIFY(w->isVisible());
    QCOMPARE(shell->balloonTexts(), QStringList{"IP Internet changed. 127.0.0.1"});
    // The silent home-page load after the change reached the server.
    QTRY_VERIFY(server->requestedPaths().contains("/home"));

    server->setAddress(QStringLiteral("127.0.0.2"));
    w->countMinute(); // interval 1 on a first run: refreshes now
    QVERIFY(waitRefresh());
    QCOMPARE(ipBox(), QStringLiteral("127.0.0.2"));
    QCOMPARE(shell->balloonTexts().last(), QStringLiteral("IP Internet changed. 127.0.0.2"));
    QVERIFY(shell->tip.contains("IP Internet: 127.0.0.2"));
    QVERIFY(!server->requestedPaths().contains("/listed"));
}

void TestMainWindowSystem::slowServerTimesOutWhileWindowResponds()
{
    makeWindow(server->hostPort());
    QSignalSpy done(w.get(), &MainWindow::refreshFinished);
    w->load();
    QVERIFY(done.wait(10000));

    server->setDelaySeconds(25);
    QElapsedTimer clock;
    clock.start();
    QTest::mouseClick(w->findChild<QPushButton *>("refreshButton"), Qt::LeftButton);
    // The event loop keeps running: timers fire and the tray still answers.
    int ticks = 0;
    QTimer beat;
    connect(&beat, &QTimer::timeout, this, [&] { ++ticks; });
    beat.start(100);
    QTest::qWait(1000);
    QVERIFY2(ticks >= 8, qPrintable(QString::number(ticks)));
    shell->calls.clear();
    shell->click(0x204);
    QCOMPARE(shell->calls, QStringList{"popup"});
    QVERIFY(w->isRefreshing());

    QVERIFY(waitRefresh(20000));
    const qint64 took = clock.elapsed();
    QVERIFY2(took >= 14000 && took < 18000, qPrintable(QString::number(took)));
    QCOMPARE(ipBox(), QStringLiteral("(unable to access Internet)"));
    server->setDelaySeconds(0);
}

QTEST_MAIN(TestMainWindowSystem)
#include "TestMainWindowSystem.moc"
