#include "BrowserLoader.h"
#include "SettingsKeys.h"
#include "SettingsStore.h"
#include "TestEnvironment.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QProcess>
#include <QtTest>

#include <sched.h>

// The browser window from its plug-in, with the real web engine, against a
// stand-in for the translation service on loopback. The test runs in a
// network of its own that has nothing but loopback, so whatever the engine
// tries, nothing leaves the machine.
class TestBrowserWindowSystem : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void opensOnThePublicIpPageThroughTheService();
    void typedAddressGoesOutUnencodedAndStopHalts();
    void toolbarMovesThroughHistory();
    void cleanupTestCase();

private:
    QString caption() const { return m_window->windowTitle(); }
    QComboBox *box() const { return m_window->findChild<QComboBox *>("addressComboBox"); }
    QStringList listed() const;
    void press(const char *action) { m_window->findChild<QAction *>(action)->trigger(); }
    void type(const QString &address);
    int requestsFor(const QString &u) const;

    static constexpr int kWaitMs = 15000;
    const QString kCaption = "Anonymous Surfing (Google Exploit)";
    const QString kPageB = kCaption + " - Translated: http://b.example/p?x=1";
    const QString kB = "b.example/p?x=1&y=2";
    const QString kStart = "ip.quorvel.example/quorvel.php";

    TestEnvironment m_env;
    QProcess m_translator;
    QStringList m_requests;
    QWidget *m_window = nullptr;
};

void TestBrowserWindowSystem::initTestCase()
{
    m_translator.start(QUORVEL_PYTHON,
                       {QUORVEL_TEST_DATA_DIR "/translateserver.py", "--slow", "20"});
    while (!m_translator.canReadLine() && m_translator.waitForReadyRead(10000)) {
    }
    const QByteArray first = m_translator.readLine();
    QVERIFY2(first.startsWith("PORT "), "python3 did not start the stand-in server");
    connect(&m_translator, &QProcess::readyReadStandardOutput, this, [this] {
        while (m_translator.canReadLine())
            m_requests << QString::fromUtf8(m_translator.readLine().trimmed().mid(4));
    });
    settings::SettingsStore store;
    store.setValue(settings::keys::IPServiceHost, "ip.quorvel.example");
    store.setValue(settings::keys::TranslationHost, "127.0.0.1:" + first.mid(5).trimmed());
    QCoreApplication::addLibraryPath(QUORVEL_BIN_DIR);
}

QStringList TestBrowserWindowSystem::listed() const
{
    QStringList l;
    for (int i = 0; i < box()->count(); ++i)
        l << box()->itemText(i);
    return l;
}

void TestBrowserWindowSystem::type(const QString &address)
{
    box()->lineEdit()->clear();
    QTest::keyClicks(box()->lineEdit(), address);
    QTest::keyClick(box()->lineEdit(), Qt::Key_Return);
}

int TestBrowserWindowSystem::requestsFor(const QString &u) const
{
    return int(m_requests.count("/translate?u=http%3A%2F%2F" + u +
                                "&langpair=it%7Cen&hl=en&ie=UTF-8&oe=UTF-8"
                                "&prev=%2Flanguage_tools"));
}

void TestBrowserWindowSystem::opensOnThePublicIpPageThroughTheService()
{
    const auto engineLoaded = [] {
        QFile maps("/proc/self/maps");
        return maps.open(QIODevice::ReadOnly) && maps.readAll().contains("libQt6WebEngineCore");
    };
    // The program carries none of the engine until the window is opened.
    QVERIFY(!engineLoaded());
    m_window = browser::BrowserLoader::createWindow();
    QVERIFY2(m_window, qPrintable(browser::BrowserLoader::errorString()));
    QVERIFY(engineLoaded());
    m_window->show();

    QTRY_COMPARE_WITH_TIMEOUT(requestsFor(kStart), 1, kWaitMs);
    // The start page's title names the starting address: the bare caption.
    QTRY_COMPARE_WITH_TIMEOUT(caption(), kCaption, kWaitMs);
    QCOMPARE(listed(), QStringList{"www.google.com"});
}

void TestBrowserWindowSystem::typedAddressGoesOutUnencodedAndStopHalts()
{
    type("HTTP://" + kB);
    QTRY_COMPARE_WITH_TIMEOUT(caption(), kPageB, kWaitMs);
    QTRY_COMPARE(listed(), QStringList({kB, "www.google.com"}));
    // Putting the address on top of the list selects it, which must not
    // ask for the page again.
    QTest::qWait(300);
    QCOMPARE(requestsFor(kB), 1);

    type("slow.example");
    QTRY_COMPARE_WITH_TIMEOUT(requestsFor("slow.example"), 1, kWaitMs);
    QCOMPARE(caption(), kCaption + " - Open page, please wait...");
    press("stopAction");
    // At once, the title of the page still shown.
    QCOMPARE(caption(), kPageB);
}

void TestBrowserWindowSystem::toolbarMovesThroughHistory()
{
    press("backAction");
    QTRY_COMPARE_WITH_TIMEOUT(caption(), kCaption, kWaitMs);
    QVERIFY(m_window->findChild<QWidget *>("webView")->property("url").toString().contains(kStart));
    press("forwardAction");
    QTRY_COMPARE_WITH_TIMEOUT(caption(), kPageB, kWaitMs);
    press("refreshAction");
    QTRY_COMPARE_WITH_TIMEOUT(requestsFor(kB), 2, kWaitMs);

    press("homeAction");
    QCOMPARE(box()->currentText(), QStringLiteral("www.google.com"));
    QTRY_COMPARE_WITH_TIMEOUT(requestsFor(kStart), 2, kWaitMs);
    QTRY_COMPARE_WITH_TIMEOUT(caption(), kCaption, kWaitMs);
    // The search site moved up from the bottom instead of being listed
    // twice ("slow.example" was in the box when the window went back).
    QTRY_COMPARE(listed(), QStringList({"www.google.com", "slow.example", kB}));

    // Choosing from the list goes there.
    box()->setCurrentIndex(2);
    QTRY_COMPARE_WITH_TIMEOUT(requestsFor(kB), 3, kWaitMs);
    QTRY_COMPARE_WITH_TIMEOUT(caption(), kPageB, kWaitMs);
}

void TestBrowserWindowSystem::cleanupTestCase()
{
    delete m_window;
    m_translator.kill();
    m_translator.waitForFinished(5000);
}

int main(int argc, char *argv[])
{
    // A network of our own (it goes with the process) holding only loopback.
    if (unshare(CLONE_NEWNET) != 0 || system("ip link set lo up") != 0) {
        fprintf(stderr, "FAIL: no loopback-only network namespace (needs root and iproute2)\n");
        return 1;
    }
    // The engine refuses to run as root with its sandbox on; and nothing in
    // the background (updates, pings, prefetching) is wanted in a test.
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS",
            "--disable-gpu --disable-background-networking --disable-component-update "
            "--no-pings --dns-prefetch-disable --disable-sync --disable-domain-reliability");
    QApplication app(argc, argv);
    TestBrowserWindowSystem test;
    return QTest::qExec(&test, argc, argv);
}

#include "TestBrowserWindowSystem.moc"
