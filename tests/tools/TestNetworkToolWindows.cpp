#include "AdapterListing.h"
#include "AdapterWindow.h"
#include "ConnectionStateWindow.h"
#include "NameLookupWindow.h"
#include "RemoteMacWindow.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSemaphore>
#include <QSignalSpy>
#include <QtTest>
#include <memory>

using namespace std::chrono_literals;

namespace {

template <class T = QLineEdit> T *find(QWidget *w, const char *name)
{
    return w->findChild<T *>(QLatin1String(name));
}

// Lets a worker answer only when the test says so, or when it ends, and
// counts the workers that got through.
struct Gate
{
    struct State
    {
        QSemaphore open;
        QAtomicInt passed;
        void pass()
        {
            open.acquire();
            passed.ref();
        }
    };
    std::shared_ptr<State> state = std::make_shared<State>();
    ~Gate() { state->open.release(100); }
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
    void nameLookup();
    void lookupTimeOut();
    void adapterWindow();
    void remoteMac();
    void connectionState();
};

void TestNetworkToolWindows::nameLookup()
{
    tools::NameLookupWindow w;
    QCOMPARE(w.windowTitle(), QStringLiteral("IP Address from Domain/Web Address"));
    QCOMPARE(find<QGroupBox>(&w, "lookupGroup")->title(), "Host Domain IP Address Lookup");
    QCOMPARE(find<QLabel>(&w, "nameLabel")->buddy(), find(&w, "nameEdit"));
    QVERIFY(!find(&w, "nameEdit")->text().isEmpty());
    auto *button = find<QPushButton>(&w, "resolveButton");
    QCOMPARE(button->text(), QStringLiteral("Resolve IP Address..."));
    // Answered by the machine itself: nothing goes out.
    const std::pair<const char *, const char *> cases[] = {
        {"localhost", "127.0.0.1"}, {"192.0.2.7", "192.0.2.7"}, {"", ""}};
    for (const auto &[name, address] : cases) {
        find(&w, "nameEdit")->setText(name);
        button->click();
        QVERIFY(!button->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(button->isEnabled(), 5000);
        QCOMPARE(find(&w, "addressEdit")->text(), QLatin1String(address));
    }
}

void TestNetworkToolWindows::lookupTimeOut()
{
    Gate gate;
    tools::NameLookupWindow w(nullptr, [state = gate.state](const QString &) {
        state->pass();
        return QStringLiteral("203.0.113.9");
    });
    w.findChild<tools::HostLookup *>(QStringLiteral("lookup"))->setTimeout(200ms);
    auto *button = find<QPushButton>(&w, "resolveButton");
    find(&w, "addressEdit")->setText(QStringLiteral("stale"));
    button->click();
    QTRY_VERIFY_WITH_TIMEOUT(button->isEnabled(), 3000);
    QCOMPARE(find(&w, "addressEdit")->text(), QString());
    // The late answer of the abandoned lookup changes nothing; no message.
    gate.state->open.release();
    QTRY_COMPARE(gate.state->passed.loadRelaxed(), 1);
    QTest::qWait(20);
    QCOMPARE(find(&w, "addressEdit")->text(), QString());
    QVERIFY(!QApplication::activeModalWidget());
}

void TestNetworkToolWindows::adapterWindow()
{
    tools::AdapterWindow w(nullptr, std::make_unique<TwoAdapters>());
    QCOMPARE(w.windowTitle(), QStringLiteral("LAN Enumeration / MAC Address"));
    QCOMPARE(find<QGroupBox>(&w, "adapterGroup")->title(), "Adapter bound to NetBios:");
    auto *list = find<QListWidget>(&w, "adapterList");
    QTRY_COMPARE(list->count(), 7); // read off the window's thread
    QStringList items;
    for (int i = 0; i < list->count(); ++i)
        items << list->item(i)->text();
    TwoAdapters source;
    QCOMPARE(items, tools::listAdapters(source));

    QSignalSpy asked(&w, &tools::AdapterWindow::remoteMacRequested);
    QCOMPARE(find<QPushButton>(&w, "remoteMacButton")->text(), "Get Remote MAC Address...");
    find<QPushButton>(&w, "remoteMacButton")->click();
    QCOMPARE(asked.count(), 1);
    QCOMPARE(list->count(), 7); // the listing stays as it is
}

void TestNetworkToolWindows::remoteMac()
{
    Gate gate;
    auto *w = new tools::RemoteMacWindow(nullptr, [state = gate.state](quint32) {
        state->pass();
        return platform::ArpReply{true, QByteArray::fromHex("0251000000aa")};
    });
    QCOMPARE(w->windowTitle(), QStringLiteral("Remote MAC Address"));
    auto *address = find(w, "addressEdit");
    auto *mac = find(w, "macEdit");
    auto *button = find<QPushButton>(w, "queryButton");
    QCOMPARE(address->text(), QStringLiteral("192.168.1.1"));
    QCOMPARE(mac->text(), QString());
    QCOMPARE(button->text(), QStringLiteral("Get Remote MAC Address"));
    QCOMPARE(find<QLabel>(w, "addressLabel")->buddy(), address);

    // Empty: nothing happens at all.
    address->clear();
    mac->setText(QStringLiteral("kept"));
    button->click();
    QVERIFY(button->isEnabled());
    QTest::qWait(50);
    QCOMPARE(mac->text(), QStringLiteral("kept"));

    // The click returns while the answer is awaited (the worker would
    // block the window for good otherwise); the old result is gone.
    address->setText(QStringLiteral("192.0.2.1"));
    button->click();
    QVERIFY(!button->isEnabled());
    QTest::qWait(20);
    QCOMPARE(mac->text(), QString());
    gate.state->open.release();
    QTRY_VERIFY(button->isEnabled());
    QCOMPARE(mac->text(), QStringLiteral("02-51-00-00-00-AA"));

    address->setText(QStringLiteral("0.0.0.0"));
    button->click();
    QTRY_VERIFY(button->isEnabled());
    QCOMPARE(mac->text(), QStringLiteral("(SendARP call failed)"));
    QCOMPARE(gate.state->passed.loadRelaxed(), 1);

    // Closed while a query runs: the answer finds no window, and no crash.
    address->setText(QStringLiteral("192.0.2.1"));
    button->click();
    delete w;
    gate.state->open.release();
    QTRY_COMPARE(gate.state->passed.loadRelaxed(), 2);
    QTest::qWait(20);
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
    QCOMPARE(find(&w, edits[0])->text(), QString());
    find<QPushButton>(&w, "queryButton")->click();
    QStringList texts;
    for (const char *e : edits)
        texts << find(&w, e)->text();
    QCOMPARE(texts, (QStringList{"True", "False", "True", "True", "False"}));
    QCOMPARE(find<QPlainTextEdit>(&w, "descriptionEdit")->toPlainText(),
             QStringLiteral("You have a network connection configured.\nThe local system connects "
                            "to the Internet via a LAN, and uses a proxy server. "));
}

QTEST_MAIN(TestNetworkToolWindows)
#include "TestNetworkToolWindows.moc"
