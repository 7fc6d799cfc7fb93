#include "AdapterListing.h"
#include "AdapterWindow.h"
#include "ConnectionStateWindow.h"
#include "NameLookupWindow.h"
#include "RemoteMacWindow.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSemaphore>
#include <QSignalSpy>
#include <QThreadPool>
#include <QtTest>
#include <memory>

using namespace std::chrono_literals;

namespace {

template <class T> T *find(QWidget *w, const char *name)
{
    auto *child = w->findChild<T *>(QLatin1String(name));
    if (!child)
        qFatal("no %s", name);
    return child;
}

// A worker that waits until the test lets it go, then answers.
struct Gate
{
    std::shared_ptr<QSemaphore> open = std::make_shared<QSemaphore>();
};

struct TwoAdapters : platform::AdapterStatusSource
{
    std::optional<QList<int>> adapterNumbers() override { return QList<int>{2, 4}; }
    bool reset(int) override { return true; }
    std::optional<QByteArray> hardwareAddress(int a) override
    {
        return a == 2 ? std::optional(QByteArray::fromHex("0251000000aa")) : std::nullopt;
    }
};

} // namespace

class TestNetworkToolWindows : public QObject
{
    Q_OBJECT
private slots:
    void cleanupTestCase();
    void nameLookup_data();
    void nameLookup();
    void lookupTimeOut();
    void adapterWindow();
    void remoteMac();
    void closingWhileArpRuns();
    void connectionState();
};

void TestNetworkToolWindows::cleanupTestCase()
{
    // Workers the tests left waiting end before the program does.
    QThreadPool::globalInstance()->waitForDone(5000);
}

void TestNetworkToolWindows::nameLookup_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("address");
    // Answered by the machine itself: nothing goes out.
    QTest::newRow("localhost") << "localhost"
                               << "127.0.0.1";
    QTest::newRow("dotted address unchanged") << "192.0.2.7"
                                              << "192.0.2.7";
    QTest::newRow("empty") << ""
                           << "";
}

void TestNetworkToolWindows::nameLookup()
{
    QFETCH(QString, name);
    QFETCH(QString, address);
    tools::NameLookupWindow w;
    w.show();
    QCOMPARE(w.windowTitle(), QStringLiteral("IP Address from Domain/Web Address"));
    QCOMPARE(find<QGroupBox>(&w, "lookupGroup")->title(),
             QStringLiteral("Host Domain IP Address Lookup"));
    QCOMPARE(find<QLabel>(&w, "nameLabel")->buddy(), find<QLineEdit>(&w, "nameEdit"));
    QVERIFY(!find<QLineEdit>(&w, "nameEdit")->text().isEmpty());
    auto *result = find<QLineEdit>(&w, "addressEdit");
    auto *button = find<QPushButton>(&w, "resolveButton");
    QCOMPARE(button->text(), QStringLiteral("Resolve IP Address..."));

    result->setText(QStringLiteral("stale"));
    find<QLineEdit>(&w, "nameEdit")->setText(name);
    button->click();
    QVERIFY(!button->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(button->isEnabled(), 5000);
    QCOMPARE(result->text(), address);
}

void TestNetworkToolWindows::lookupTimeOut()
{
    Gate gate;
    tools::NameLookupWindow w(nullptr, [open = gate.open](const QString &) {
        open->acquire();
        return QStringLiteral("203.0.113.9");
    });
    w.findChild<tools::HostLookup *>(QStringLiteral("lookup"))->setTimeout(200ms);
    auto *button = find<QPushButton>(&w, "resolveButton");
    auto *result = find<QLineEdit>(&w, "addressEdit");
    result->setText(QStringLiteral("stale"));
    QElapsedTimer clock;
    clock.start();
    button->click();
    QTRY_VERIFY_WITH_TIMEOUT(button->isEnabled(), 3000);
    QVERIFY2(clock.elapsed() >= 190 && clock.elapsed() < 2000,
             qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(result->text(), QString());
    // The late answer of the abandoned lookup changes nothing.
    gate.open->release();
    QThreadPool::globalInstance()->waitForDone(3000);
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    QCOMPARE(result->text(), QString());
    for (QWidget *top : QApplication::topLevelWidgets())
        QVERIFY(!qobject_cast<QMessageBox *>(top));
}

void TestNetworkToolWindows::adapterWindow()
{
    tools::AdapterWindow w(nullptr, std::make_unique<TwoAdapters>());
    QCOMPARE(w.windowTitle(), QStringLiteral("LAN Enumeration / MAC Address"));
    QCOMPARE(find<QGroupBox>(&w, "adapterGroup")->title(),
             QStringLiteral("Adapter bound to NetBios:"));
    auto *list = find<QListWidget>(&w, "adapterList");
    QStringList items;
    for (int i = 0; i < list->count(); ++i)
        items << list->item(i)->text();
    TwoAdapters source;
    QCOMPARE(items, tools::listAdapters(source));
    QCOMPARE(items.size(), 7);

    QSignalSpy asked(&w, &tools::AdapterWindow::remoteMacRequested);
    auto *button = find<QPushButton>(&w, "remoteMacButton");
    QCOMPARE(button->text(), QStringLiteral("Get Remote MAC Address..."));
    button->click();
    QCOMPARE(asked.count(), 1);
    QCOMPARE(list->count(), 7); // the listing stays as it is
}

void TestNetworkToolWindows::remoteMac()
{
    Gate gate;
    auto calls = std::make_shared<QAtomicInt>();
    tools::RemoteMacWindow w(nullptr, [open = gate.open, calls](quint32) {
        calls->ref();
        open->acquire();
        return platform::ArpReply{true, QByteArray::fromHex("0251000000aa")};
    });
    w.show();
    QCOMPARE(w.windowTitle(), QStringLiteral("Remote MAC Address"));
    auto *address = find<QLineEdit>(&w, "addressEdit");
    auto *mac = find<QLineEdit>(&w, "macEdit");
    auto *button = find<QPushButton>(&w, "queryButton");
    QCOMPARE(address->text(), QStringLiteral("192.168.1.1"));
    QCOMPARE(mac->text(), QString());
    QCOMPARE(button->text(), QStringLiteral("Get Remote MAC Address"));
    QCOMPARE(find<QLabel>(&w, "addressLabel")->buddy(), address);

    // Empty: nothing happens at all.
    address->clear();
    mac->setText(QStringLiteral("kept"));
    button->click();
    QVERIFY(button->isEnabled());
    QTest::qWait(50);
    QCOMPARE(mac->text(), QStringLiteral("kept"));

    // The window keeps handling events while the answer is awaited.
    address->setText(QStringLiteral("192.0.2.1"));
    button->click();
    QVERIFY(!button->isEnabled());
    bool ticked = false;
    QTimer::singleShot(20, &w, [&] { ticked = true; });
    QTRY_VERIFY(ticked);
    QCOMPARE(mac->text(), QStringLiteral("kept"));
    gate.open->release();
    QTRY_VERIFY(button->isEnabled());
    QCOMPARE(mac->text(), QStringLiteral("02-51-00-00-00-AA"));

    address->setText(QStringLiteral("0.0.0.0"));
    button->click();
    QTRY_VERIFY(button->isEnabled());
    QCOMPARE(mac->text(), QStringLiteral("(SendARP call failed)"));
    QCOMPARE(calls->loadRelaxed(), 1);
}

void TestNetworkToolWindows::closingWhileArpRuns()
{
    Gate gate;
    auto *w = new tools::RemoteMacWindow(nullptr, [open = gate.open](quint32) {
        open->acquire();
        return platform::ArpReply{true, QByteArray::fromHex("0251000000aa")};
    });
    w->show();
    find<QPushButton>(w, "queryButton")->click();
    delete w;
    gate.open->release();
    QVERIFY(QThreadPool::globalInstance()->waitForDone(3000));
    QCoreApplication::processEvents();
}

void TestNetworkToolWindows::connectionState()
{
    tools::ConnectionStateWindow w(nullptr, [] { return platform::ConnectionState{true, 0x46}; });
    QCOMPARE(w.windowTitle(), QStringLiteral("Internet Connect State"));
    const char *edits[] = {"viaLanEdit", "viaModemEdit", "viaProxyEdit", "onlineEdit",
                           "rasInstalledEdit"};
    QCOMPARE(find<QLabel>(&w, "viaLanLabel")->text(), QStringLiteral("Is Net Connect Via LAN:"));
    QCOMPARE(find<QLabel>(&w, "descriptionLabel")->buddy(),
             find<QPlainTextEdit>(&w, "descriptionEdit"));
    // Nothing is asked before the button is pressed.
    for (const char *e : edits)
        QCOMPARE(find<QLineEdit>(&w, e)->text(), QString());
    find<QPushButton>(&w, "queryButton")->click();
    QStringList texts;
    for (const char *e : edits)
        texts << find<QLineEdit>(&w, e)->text();
    QCOMPARE(texts, (QStringList{"True", "False", "True", "True", "False"}));
    QCOMPARE(find<QPlainTextEdit>(&w, "descriptionEdit")->toPlainText(),
             QStringLiteral("You have a network connection configured.\nThe local system connects "
                            "to the Internet via a LAN, and uses a proxy server. "));
}

QTEST_MAIN(TestNetworkToolWindows)
#include "TestNetworkToolWindows.moc"
