#include "BrowserAddresses.h"
#include "BrowserWindow.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QProcess>
#include <QtTest>

#include <sched.h>

// The browser window with the real web engine, against a stand-in for the
// translation service on loopback, driven by keyboard and mouse the way a
// user drives it. The test runs in a network of its own that has nothing
// but loopback, so whatever the engine tries, nothing leaves the machine.
class TestBrowserWindowSystem : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void opensOnThePublicIpPageThroughTheService();
    void typedAddressesGoOutUnencodedAndStopHalts();
    void toolbarAndListMoveThroughHistory();
    void opensOnNothingWithoutAStartPage();
    void cleanupTestCase();

private:
    QString caption() const { return m_window->windowTitle(); }
    QComboBox *box() const { return m_window->findChild<QComboBox *>("addressComboBox"); }
    QStringList listed() const;
    void press(const char *action) { m_window->findChild<QAction *>(action)->trigger(); }
    // To the focus, as a keyboard's keys go.
    void key(Qt::Key k, Qt::KeyboardModifiers m = {})
    {
        QTest::keyClick(qApp->focusWidget(), k, m);
    }
    void type(const QString &address, Qt::Key enter);
    void choose(int downs);
    int requestsFor(const QString &u) const;

    static constexpr int kWaitMs = 15000;
    const QString kCaption = "Anonymous Surfing (Google Exploit)";
    const QString kPageB = kCaption + " - Translated: http://b.example/p?x=1";
    const QString kB = "b.example/p?x=1&y=2";
    const QString kStart = "ip.quorvel.example/quorvel.php";

    QProcess m_translator;
    QString m_host;
    QStringList m_requests;
    browser::BrowserWindow *m_window = nullptr;
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
    m_host = "127.0.0.1:" + first.mid(5).trimmed();
}

QStringList TestBrowserWindowSystem::listed() const
{
    QStringList l;
    for (int i = 0; i < box()->count(); ++i)
        l << box()->itemText(i);
    return l;
}

void TestBrowserWindowSystem::type(const QString &address, Qt::Key enter)
{
    // A click into the text focuses the box, which hands keys on itself.
    QTest::mouseClick(box()->lineEdit(), Qt::LeftButton);
    QCOMPARE(qApp->focusWidget(), box());
    key(Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(box(), address);
    key(enter, enter == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
}

void TestBrowserWindowSystem::choose(int downs)
{
    QTest::mouseClick(box()->lineEdit(), Qt::LeftButton);
    key(Qt::Key_Down, Qt::AltModifier);
    QTRY_COMPARE(qApp->focusWidget(), box()->view());
    for (int i = 0; i < downs; ++i)
        key(Qt::Key_Down);
    key(Qt::Key_Return);
    // Offscreen, unlike a window manager, keeps the popup active.
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window));
}

int TestBrowserWindowSystem::requestsFor(const QString &u) const
{
    return int(m_requests.count("/translate?u=http%3A%2F%2F" + u +
                                "&langpair=it%7Cen&hl=en&ie=UTF-8&oe=UTF-8"
                                "&prev=%2Flanguage_tools"));
}

void TestBrowserWindowSystem::opensOnThePublicIpPageThroughTheService()
{
    m_window = new browser::BrowserWindow(browser::browserAddresses("http://" + kStart, m_host));
    m_window->show();
    QVERIFY(QTest::qWaitForWindowActive(m_window));
    QTRY_COMPARE_WITH_TIMEOUT(requestsFor(kStart), 1, kWaitMs);
    // The start page's title names the starting address: the bare caption.
    QTRY_COMPARE_WITH_TIMEOUT(caption(), kCaption, kWaitMs);
    QCOMPARE(listed(), QStringList{"www.google.com"});
}

void TestBrowserWindowSystem::typedAddressesGoOutUnencodedAndStopHalts()
{
    type("HTTP://" + kB, Qt::Key_Return);
    QTRY_COMPARE_WITH_TIMEOUT(caption(), kPageB, kWaitMs);
    QTRY_COMPARE(listed(), QStringList({kB, "www.google.com"}));
    // Putting the address on top of the list selects it, which must not
    // ask for the page again.
    QTest::qWait(300);
    QCOMPARE(requestsFor(kB), 1);

    type("slow.example", Qt::Key_Enter);
    QTRY_COMPARE_WITH_TIMEOUT(requestsFor("slow.example"), 1, kWaitMs);
    QCOMPARE(caption(), kCaption + " - Open page, please wait...");
    press("stopAction");
    // At once, the title of the page still shown.
    QCOMPARE(caption(), kPageB);
}

void TestBrowserWindowSystem::toolbarAndListMoveThroughHistory()
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

    // Choosing the entry already shown goes there again, another goes there.
    choose(0);
    QTRY_COMPARE_WITH_TIMEOUT(requestsFor("www.google.com"), 1, kWaitMs);
    choose(2);
    QTRY_COMPARE_WITH_TIMEOUT(requestsFor(kB), 3, kWaitMs);
    QTRY_COMPARE_WITH_TIMEOUT(caption(), kPageB, kWaitMs);
}

void TestBrowserWindowSystem::opensOnNothingWithoutAStartPage()
{
    const qsizetype asked = m_requests.filter("/translate").size();
    browser::BrowserWindow window(browser::browserAddresses(QString(), m_host));
    window.show();
    window.findChild<QAction *>("homeAction")->trigger();
    QTest::qWait(1000);
    QCOMPARE(m_requests.filter("/translate").size(), asked);
    QCOMPARE(window.windowTitle(), kCaption);
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
