#include "CommandRouter.h"
#include "FakeAddressSource.h"
#include "MainWindow.h"
#include "PageServer.h"
#include "RecordingTrayShell.h"
#include "SettingsKeys.h"
#include "SettingsStore.h"
#include "TestEnvironment.h"

#include <QAbstractItemView>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>
#include <memory>

using app::MainWindow;
namespace keys = settings::keys;

namespace {

const QString kIp = QStringLiteral("203.0.113.7");

// One window with scripted addresses and a recording tray, in settings of
// its own.
struct Harness
{
    TestEnvironment env;
    // What the shell was asked to do; outlives the shell, which goes with
    // the tray icon when the window closes.
    QStringList journal;
    FakeAddressSource *source = new FakeAddressSource;
    RecordingTrayShell *shell = new RecordingTrayShell;
    std::unique_ptr<MainWindow> w;

    explicit Harness(const QByteArray &settingsLines = QByteArray())
    {
        shell->journal = &journal;
        // Nothing may leave the machine: the home page is a closed port.
        env.writeSettingsFile("[Settings]\nHome%20Page=http://127.0.0.1:9/\n" + settingsLines);
        source->script = {FakeAddressSource::snapshot(kIp)};
        w = std::make_unique<MainWindow>(MainWindow::Services{source, shell});
    }
    // Runs the load step and waits for its refresh.
    bool load()
    {
        QSignalSpy done(w.get(), &MainWindow::refreshFinished);
        w->load();
        return done.count() > 0 || done.wait(3000);
    }
    bool refreshByButton()
    {
        QSignalSpy done(w.get(), &MainWindow::refreshFinished);
        QTest::mouseClick(find<QPushButton>("refreshButton"), Qt::LeftButton);
        return done.wait(3000);
    }
    bool tick()
    {
        QSignalSpy done(w.get(), &MainWindow::refreshFinished);
        w->countMinute();
        return done.wait(200);
    }
    template <typename T> T *find(const char *name) const
    {
        return w->findChild<T *>(QString::fromLatin1(name));
    }
    QString setting(QLatin1StringView key) const
    {
        return settings::SettingsStore().value(key, QStringLiteral("<absent>")).value();
    }
    // The user picks an entry of the interval list, the same one or not.
    void chooseInterval(int index)
    {
        auto *list = find<QComboBox>("intervalComboBox");
        list->showPopup();
        list->view()->setCurrentIndex(list->model()->index(index, 0));
        QTest::keyClick(list->view(), Qt::Key_Return);
    }
};

// Answers the next modal message box with the given button and returns
// what it said.
std::shared_ptr<QString> answerNextMessageBox(QMessageBox::StandardButton answer)
{
    auto seen = std::make_shared<QString>();
    QTimer::singleShot(0, [=] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            *seen = box->windowTitle() + u'|' + box->text();
            box->button(answer)->click();
        }
    });
    return seen;
}

QStringList actionTexts(const QMenu *menu)
{
    QStringList out;
    for (const QAction *a : menu->actions())
        out << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return out;
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT
private slots:
    void firstStart();
    void startMinimized_data();
    void startMinimized();
    void storedTimerSettings_data();
    void storedTimerSettings();
    void timerAndInterval();
    void announcements();
    void ipv6Announcements();
    void noBalloonsWhenSwitchedOff();
    void homePageLoadedOnChange();
    void refreshesNeverOverlap();
    void hostNameFailureIsShownOnce();
    void clickSelectsWholeAddress();
    void menusAndCommands();
    void networkToolWindows();
    void windowPlacement();
    void closing_data();
    void closing();
    void exitChosenInTrayMenu();
    void refreshEndingAfterClose();
};

void TestMainWindow::firstStart()
{
    Harness h;
    QCOMPARE(h.w->windowTitle(), QStringLiteral("Quorvel"));
    const QList<QPair<const char *, QString>> captions{
        {"addressGroup", "IP Address"},
        {"hostNameLabel", "Host Name:"},
        {"publicIpLabel", "IP Internet:"},
        {"publicIpv6Label", "IP Internet (IPv6):"},
        {"lanLabel", "LAN IP Address:"},
        {"macAddressButton", "MAC Address..."},
        {"timedRefreshCheckBox", "Timer refresh IP Address every"},
        {"okButton", "OK"},
        {"browserButton", "Anonymous Surfing..."},
        {"refreshButton", "Refresh IP"}};
    for (const auto &[name, caption] : captions) {
        QObject *o = h.w->findChild<QObject *>(QString::fromLatin1(name));
        QVERIFY2(o, name);
        QCOMPARE(o->property(o->inherits("QGroupBox") ? "title" : "text").toString(), caption);
    }
    QCOMPARE(h.find<QLabel>("hostNameLabel")->buddy(), h.find<QLineEdit>("hostNameEdit"));
    auto *list = h.find<QComboBox>("intervalComboBox");
    QCOMPARE(list->count(), 13);
    QCOMPARE(list->itemText(12), QStringLiteral("60 min."));

    // The window stays away while the first refresh runs, with the tray up
    // and its three values still empty.
    h.source->autoFinish = false;
    h.w->load();
    QVERIFY(h.shell->iconShown);
    QCOMPARE(h.shell->tip, QStringLiteral("Host Name: \r\nIP Internet: \r\nIP Internet (IPv6): "
                                          "\r\nLAN IP Address: \r\n"));
    QTest::qWait(50);
    QVERIFY(!h.w->isVisible());
    h.source->finish();
    QVERIFY(h.w->isVisible());

    auto *timer = h.find<QTimer>("refreshTimer");
    QVERIFY(timer->interval() == 60000 && !timer->isActive());
    QCOMPARE(list->currentText(), QStringLiteral("1 min."));
    // The list selection writes its two keys back; the check box was not
    // touched, so its key is not created.
    QCOMPARE(h.setting(keys::RefreshIPIntervalMin), QStringLiteral("1"));
    QCOMPARE(h.setting(keys::RefreshIP), QStringLiteral("<absent>"));
    QCOMPARE(h.w->infoText(), QStringLiteral("Host Name: testhost\r\nIP Internet: ") + kIp +
                                  QStringLiteral("\r\nIP Internet (IPv6): \r\nLAN IP Address: "
                                                 "\r\n192.0.2.5\r\n"));
    // The first refresh of a run is always announced.
    QCOMPARE(h.shell->balloons.size(), 1);
    const auto &b = h.shell->balloons[0];
    QCOMPARE(b.title + u'|' + b.text, QStringLiteral("Quorvel|IP Internet changed. ") + kIp);
    QVERIFY(b.icon == 1 && b.timeoutMs == 30000);
    QCOMPARE(h.shell->tip, h.w->infoText().left(127));
    // Nothing configured: the built-in services (not contacted: the source
    // is scripted).
    QCOMPARE(h.source->choices, QList{address::chooseServices(QUORVEL_IP_SERVICE_HOST, "")});
}

void TestMainWindow::startMinimized_data()
{
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<bool>("trayAvailable");
    QTest::addColumn<bool>("visible");

    QTest::newRow("1, with tray: icon only") << QByteArray("1") << true << false;
    QTest::newRow("1, no tray: task bar") << QByteArray("1") << false << true;
    QTest::newRow("2 is not on") << QByteArray("2") << true << true;
}

void TestMainWindow::startMinimized()
{
    QFETCH(QByteArray, value);
    QFETCH(bool, trayAvailable);
    QFETCH(bool, visible);
    Harness h("Start%20Minimized=" + value + "\n");
    h.shell->available = trayAvailable;
    QVERIFY(h.load());
    QTest::qWait(20);
    QCOMPARE(h.w->isVisible(), visible);
    QCOMPARE(h.w->isMinimized(), value == "1");

    // The tray's double click brings the window back, whatever hid it.
    h.shell->click(0x203);
    QVERIFY(h.w->isVisible() && !h.w->isMinimized());
}

void TestMainWindow::storedTimerSettings_data()
{
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<bool>("ticked");
    QTest::addColumn<int>("listIndex");
    QTest::addColumn<int>("minutes");
    QTest::addColumn<QString>("keysAfter"); // interval, minutes

    // The list selection writes the entry's minutes before they are read.
    QTest::newRow("timer on, 15 min.") << QByteArray("Refresh%20IP=1\nRefresh%20IP%20Interval=3\n"
                                                     "Refresh%20IP%20Interval%20Min=99\n")
                                       << true << 3 << 15 << "3 15";
    QTest::newRow("damaged minutes repaired by the list")
        << QByteArray("Refresh%20IP%20Interval=1\nRefresh%20IP%20Interval%20Min=abc\n") << false
        << 1 << 5 << "1 5";
    // Damaged values are skipped: no entry chosen, nothing written back.
    QTest::newRow("damaged position and flag")
        << QByteArray("Refresh%20IP=abc\nRefresh%20IP%20Interval=abc\n"
                      "Refresh%20IP%20Interval%20Min=20\n")
        << false << -1 << 20 << "abc 20";
    QTest::newRow("position out of range")
        << QByteArray("Refresh%20IP%20Interval=13\n") << false << -1 << 1 << "13 <absent>";
    QTest::newRow("grayed flag is not on")
        << QByteArray("Refresh%20IP=2\n") << false << 0 << 1 << "0 1";
}

void TestMainWindow::storedTimerSettings()
{
    QFETCH(QByteArray, stored);
    QFETCH(bool, ticked);
    QFETCH(int, listIndex);
    QFETCH(int, minutes);
    QFETCH(QString, keysAfter);
    Harness h(stored);
    QVERIFY(h.load());
    QCOMPARE(h.find<QCheckBox>("timedRefreshCheckBox")->isChecked(), ticked);
    QCOMPARE(h.find<QTimer>("refreshTimer")->isActive(), ticked);
    QCOMPARE(h.find<QComboBox>("intervalComboBox")->currentIndex(), listIndex);
    QCOMPARE(h.w->refreshMinutes(), qint16(minutes));
    QCOMPARE(h.setting(keys::RefreshIPInterval) + u' ' + h.setting(keys::RefreshIPIntervalMin),
             keysAfter);
}

void TestMainWindow::timerAndInterval()
{
    Harness h("Refresh%20IP=1\nRefresh%20IP%20Interval=1\n");
    QVERIFY(h.load());
    QCOMPARE(h.source->starts(), 1);
    for (int minute = 1; minute <= 4; ++minute)
        QVERIFY2(!h.tick(), qPrintable(QString::number(minute)));
    QVERIFY(h.tick()); // the fifth minute
    QCOMPARE(h.source->starts(), 2);

    // Three minutes into the next five, choosing "1 min." makes the next
    // tick refresh.
    for (int minute = 1; minute <= 3; ++minute)
        QVERIFY(!h.tick());
    h.chooseInterval(0);
    QCOMPARE(h.w->minutesElapsed(), qint16(3));
    QVERIFY(h.tick());
    QCOMPARE(h.setting(keys::RefreshIPInterval) + u' ' + h.setting(keys::RefreshIPIntervalMin),
             QStringLiteral("0 1"));

    // Choosing the entry already shown is a choice too: both keys are
    // written again, even after someone changed them behind our back.
    settings::SettingsStore().setValue(keys::RefreshIPIntervalMin, QStringLiteral("7"));
    h.chooseInterval(0);
    QCOMPARE(h.setting(keys::RefreshIPIntervalMin), QStringLiteral("1"));

    // Unticking stops the timer and says so in the settings; ticking again
    // starts the count afresh.
    auto *box = h.find<QCheckBox>("timedRefreshCheckBox");
    QTest::mouseClick(box, Qt::LeftButton);
    QVERIFY(!h.find<QTimer>("refreshTimer")->isActive());
    QCOMPARE(h.setting(keys::RefreshIP), QStringLiteral("0"));
    h.w->countMinute();
    QTest::mouseClick(box, Qt::LeftButton);
    QCOMPARE(h.w->minutesElapsed(), qint16(0));
    QCOMPARE(h.setting(keys::RefreshIP), QStringLiteral("1"));
}

void TestMainWindow::announcements()
{
    Harness h;
    const QString lost = QStringLiteral("(unable to access Internet)");
    h.source->script = {
        FakeAddressSource::snapshot(kIp),           FakeAddressSource::snapshot(kIp),
        FakeAddressSource::snapshot(lost),          FakeAddressSource::snapshot(lost),
        FakeAddressSource::snapshot(kIp),           FakeAddressSource::snapshot(kIp),
        FakeAddressSource::snapshot("198.51.100.1")};
    h.source->script[2].publicIpProblem = h.source->script[3].publicIpProblem = "why";
    QVERIFY(h.load());
    h.shell->balloons.clear();
    // Timer path (interval 1: every tick refreshes): the same address says
    // nothing; losing and regaining it are changes. While it is lost, the
    // address box's tip says why.
    for (int i = 0; i < 4; ++i)
        QVERIFY(h.tick() && h.find<QLineEdit>("publicIpEdit")->toolTip() == (i % 3 ? "why" : ""));
    QCOMPARE(h.shell->balloonTexts(),
             (QStringList{"IP Internet changed. " + lost, "IP Internet changed. " + kIp}));
    h.shell->balloons.clear();

    // The button says when it starts, and when it ends without a change.
    QVERIFY(h.refreshByButton());
    QVERIFY(h.refreshByButton());
    QCOMPARE(h.shell->balloonTexts(),
             (QStringList{"IP Refresh, please wait...", "IP Refresh finish.",
                          "IP Refresh, please wait...", "IP Internet changed. 198.51.100.1"}));
    QCOMPARE(h.w->lastPublicIp(), QStringLiteral("198.51.100.1"));
    QVERIFY(h.shell->tip.contains("IP Internet: 198.51.100.1"));
}

void TestMainWindow::ipv6Announcements()
{
    // The change command fails; the tip says so where a cut tip shows it.
    Harness h("Change%20Command=/nonexistent/update-dns\n");
    const auto snapshot = [](const QString &ip, const QString &ipv6) {
        return FakeAddressSource::snapshot(ip, "192.0.2.5\r\n", "h", ipv6);
    };
    h.source->script = {snapshot(kIp, "(no IPv6)"),
                        snapshot(kIp, "2001:db8::7"),
                        snapshot("198.51.100.1", "2001:db8::7"),
                        snapshot("198.51.100.2", "2001:db8::8"),
                        snapshot("198.51.100.2", "(no IPv6)"),
                        snapshot("198.51.100.2", "2001:db8::8")};
    QSignalSpy actions(h.w->refreshCycle(), &app::RefreshCycle::actionFinished);
    QVERIFY(h.load());
    // No IPv6: shown as such, announced never.
    QCOMPARE(h.find<QLineEdit>("publicIpv6Edit")->text(), "(no IPv6)");
    QCOMPARE(h.shell->balloonTexts(), QStringList{"IP Internet changed. " + kIp});
    QVERIFY(actions.count() == 1 || actions.wait(5000));
    QVERIFY2(h.shell->tip.startsWith("Host Name: h\r\nIP Internet: " + kIp +
                                     "\r\nIP Internet (IPv6): (no IPv6)\r\nChange Command (ipv4): "
                                     "could not be started: "),
             qPrintable(h.shell->tip));
    h.shell->balloons.clear();
    // Each family alone, then both in one balloon; losing IPv6 and getting
    // the same address back is no change.
    for (int i = 0; i < 5; ++i)
        QVERIFY(h.tick());
    QCOMPARE(h.shell->balloonTexts(),
             (QStringList{
                 "IP Internet (IPv6) changed. 2001:db8::7", "IP Internet changed. 198.51.100.1",
                 "IP Internet changed. 198.51.100.2\nIP Internet (IPv6) changed. 2001:db8::8"}));
    QCOMPARE(h.w->refreshCycle()->lastPublicIpv6(), "2001:db8::8");
}

void TestMainWindow::noBalloonsWhenSwitchedOff()
{
    // Any value but 0 switches them off; the change is still taken.
    for (const QByteArray value : {"1", "2", "-1"}) {
        Harness h("Don't%20Show%20Balloon=" + value + "\n");
        h.source->script = {FakeAddressSource::snapshot(kIp), FakeAddressSource::snapshot("x")};
        QVERIFY(h.load());
        QVERIFY(h.refreshByButton());
        QVERIFY2(h.shell->balloons.isEmpty(), value.constData());
        QCOMPARE(h.w->lastPublicIp(), QStringLiteral("x"));
    }
}

void TestMainWindow::homePageLoadedOnChange()
{
    PageServer home;
    QVERIFY2(home.start(), qPrintable(home.errorString()));
    Harness h;
    settings::SettingsStore().setValue(keys::HomePage, home.url("/home"));
    h.source->script = {FakeAddressSource::snapshot(kIp), FakeAddressSource::snapshot(kIp),
                        FakeAddressSource::snapshot("198.51.100.1")};
    QVERIFY(h.load());
    QTRY_COMPARE(home.requestedPaths(), QStringList{"/home"});
    QVERIFY(h.refreshByButton()); // same address: no visit
    QTest::qWait(300);
    QCOMPARE(home.requestedPaths().size(), 1);
    QVERIFY(h.refreshByButton());
    QTRY_COMPARE(home.requestedPaths().size(), 2);
}

void TestMainWindow::refreshesNeverOverlap()
{
    Harness h("Refresh%20IP=1\n");
    QVERIFY(h.load());
    h.source->autoFinish = false;
    QTest::mouseClick(h.find<QPushButton>("refreshButton"), Qt::LeftButton);
    QCOMPARE(h.source->starts(), 2);
    QVERIFY(!h.find<QPushButton>("refreshButton")->isEnabled());

    // Minutes that fall due meanwhile wait for the running refresh.
    h.w->countMinute();
    h.w->countMinute();
    QCOMPARE(h.source->starts(), 2);
    h.source->finish();
    QCOMPARE(h.source->starts(), 3); // the one timed refresh that was due
    h.source->finish();
    QCOMPARE(h.source->starts(), 3);
    QVERIFY(h.find<QPushButton>("refreshButton")->isEnabled());
}

void TestMainWindow::hostNameFailureIsShownOnce()
{
    Harness h;
    auto failing = FakeAddressSource::snapshot(kIp, QString(), QString());
    failing.messages = {QStringLiteral("Windows Sockets error 36 has occurred.  "
                                       "Unable to successfully get Host Name.")};
    h.source->script = {failing};
    QVERIFY(h.load());
    QVERIFY(h.tick()); // the same fault again
    QList<QMessageBox *> boxes;
    for (QMessageBox *b : h.w->findChildren<QMessageBox *>())
        if (b->isVisible())
            boxes << b;
    QCOMPARE(boxes.size(), 1);
    QCOMPARE(boxes[0]->windowTitle() + u'|' + boxes[0]->text(), "Quorvel|" + failing.messages[0]);
    // The refresh went on regardless.
    QCOMPARE(h.find<QLineEdit>("publicIpEdit")->text(), kIp);
    boxes[0]->close();
}

void TestMainWindow::clickSelectsWholeAddress()
{
    Harness h;
    h.source->script = {FakeAddressSource::snapshot(kIp, "192.0.2.5\r\n", QString())};
    QVERIFY(h.load());
    auto *ip = h.find<QLineEdit>("publicIpEdit");
    QTest::mouseClick(ip, Qt::LeftButton, {}, QPoint(5, ip->height() / 2));
    QCOMPARE(ip->selectedText(), kIp);
    auto *host = h.find<QLineEdit>("hostNameEdit"); // empty: nothing to select
    QTest::mouseClick(host, Qt::LeftButton, {}, QPoint(5, host->height() / 2));
    QCOMPARE(host->selectedText(), QString());
}

class UrlRecorder : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl &url) { urls << url; }
};

void TestMainWindow::menusAndCommands()
{
    Harness h;
    QVERIFY(h.load());
    auto *menu = h.w->menuBar()->findChild<QMenu *>("commandMenu");
    QCOMPARE(menu->title(), QStringLiteral("&Menu"));
    QCOMPARE(actionTexts(menu),
             (QStringList{"&Internet Connect State...", "-", "Anonymous &Surfing...", "-",
                          "Send Me E-Mail when IP &Changes...", "-",
                          "&Resolve Domain/Web Address to IP Address...", "&Ping by IP Address...",
                          "&Trace Route...", "-", "Pre&ferences...", "-", "&Visit Web Page...",
                          "&About...", "-", "&Exit"}));
    QMenu *trayMenu = h.shell->menu;
    QCOMPARE(actionTexts(trayMenu),
             (QStringList{"&Open Quorvel", "-", "&Internet Connect State...", "-",
                          "&Anonymus &Surfing...", "-", "Send Me E-Mail when IP &Changes...", "-",
                          "&Resolve Domain/Web Address to IP Address...", "&Ping by IP Address...",
                          "&Trace Route...", "-", "Pre&ferences...", "-", "&Visit Web Page...",
                          "&About...", "-", "&Exit"}));
    QCOMPARE(trayMenu->defaultAction(), trayMenu->actions().first());
    // An entry works exactly when the router knows its command; the others
    // are greyed out, in both menus and on the buttons.
    for (QMenu *m : {menu, trayMenu})
        for (int i = 0; i < m->actions().size(); ++i) {
            QAction *a = m->actions()[i];
            const QString key = m == menu ? a->data().toString()
                                          : h.w->trayIcon()->menuModel().entries()[size_t(i)].key;
            if (!a->isSeparator())
                QVERIFY2(a->isEnabled() == h.w->router()->handles(key), qPrintable(a->text()));
        }
    QCOMPARE(h.find<QPushButton>("browserButton")->isEnabled(),
             h.w->router()->handles(QStringLiteral("browser")));
    QCOMPARE(h.find<QPushButton>("macAddressButton")->isEnabled(),
             h.w->router()->handles(QStringLiteral("adapters")));

    // A right click on the icon asks for the menu; a left click does not.
    h.shell->calls.clear();
    h.shell->click(0x202);
    h.shell->click(0x204);
    QCOMPARE(h.shell->calls, QStringList{"popup"});

    UrlRecorder browser;
    QDesktopServices::setUrlHandler(QStringLiteral("http"), &browser, "open");
    h.w->hide();
    trayMenu->actions().at(14)->trigger(); // "web", with the window hidden
    QCOMPARE(browser.urls, QList<QUrl>{QUrl("http://127.0.0.1:9/")});
    QVERIFY(!h.w->isVisible());
    // Unknown keys do nothing; the main menu reaches the same commands by
    // its own positions, and its separators do nothing.
    for (const char *key : {"nonsense", "", "OPEN"})
        h.w->runCommand(QString::fromLatin1(key));
    h.w->chooseMenuItem(11);
    h.w->chooseMenuItem(99);
    QVERIFY(!h.w->isVisible() && QApplication::activeModalWidget() == nullptr);
    h.w->chooseMenuItem(12);
    QCOMPARE(browser.urls.size(), 2);
    QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
}

void TestMainWindow::networkToolWindows()
{
    Harness h;
    QVERIFY(h.load());
    const app::CommandRouter *router = h.w->router();
    // The remote MAC window opens only from the adapter window; all modal.
    h.find<QPushButton>("macAddressButton")->click();
    router->openWindow("adapters")->findChild<QPushButton *>("remoteMacButton")->click();
    h.find<QAction>("stateAction")->trigger();
    h.find<QAction>("iplookAction")->trigger();
    const std::pair<const char *, const char *> windows[] = {{"adapters", "adapterWindow"},
                                                             {"remotemac", "remoteMacWindow"},
                                                             {"state", "connectionStateWindow"},
                                                             {"iplook", "nameLookupWindow"}};
    for (const auto &[key, name] : windows) {
        QWidget *window = router->openWindow(key);
        QVERIFY2(window && window->isVisible(), key);
        QCOMPARE(window->objectName(), QLatin1String(name));
        QCOMPARE(window->windowModality(), Qt::ApplicationModal);
    }
}

void TestMainWindow::windowPlacement()
{
    // Opened from the tray while the first refresh runs, then hidden again
    // with OK: the end of that refresh leaves it hidden.
    Harness h;
    h.source->autoFinish = false;
    h.w->load();
    h.shell->menu->actions().at(0)->trigger(); // "open"
    QVERIFY(h.w->isVisible());
    QTest::mouseClick(h.find<QPushButton>("okButton"), Qt::LeftButton);
    QTRY_VERIFY(!h.w->isVisible());
    h.source->finish();
    QTest::qWait(50);
    QVERIFY(!h.w->isVisible());

    // Without a tray the window stays in the task bar instead.
    h.shell->available = false;
    h.shell->click(0x203);
    QTest::mouseClick(h.find<QPushButton>("okButton"), Qt::LeftButton);
    QTRY_VERIFY(h.w->isVisible() && h.w->isMinimized());
    h.shell->available = true;

    // "open" brings back a normal window, even one hidden while maximised.
    h.w->showMaximized();
    QTest::mouseClick(h.find<QPushButton>("okButton"), Qt::LeftButton);
    QTRY_VERIFY(!h.w->isVisible());
    h.shell->click(0x206); // a right double click, like "open"
    QVERIFY(h.w->isVisible());
    QCOMPARE(h.w->windowState() & ~Qt::WindowActive, Qt::WindowNoState);
}

void TestMainWindow::closing_data()
{
    QTest::addColumn<QByteArray>("dontAsk");
    QTest::addColumn<int>("how"); // 0: Exit, 1: session end, 2: session end, no talking
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<bool>("closes");

    const int no = QMessageBox::No, yes = QMessageBox::Yes;
    QTest::newRow("exit, No keeps it running") << QByteArray("0") << 0 << no << true << false;
    QTest::newRow("exit, Yes closes") << QByteArray("0") << 0 << yes << true << true;
    QTest::newRow("exit, 1: no question") << QByteArray("1") << 0 << no << false << true;
    QTest::newRow("exit, 2 counts as on") << QByteArray("2") << 0 << no << false << true;
    QTest::newRow("logout, No cancels it") << QByteArray("0") << 1 << no << true << false;
    QTest::newRow("logout, Yes") << QByteArray("0") << 1 << yes << true << true;
    QTest::newRow("logout, may not ask") << QByteArray("0") << 2 << no << false << true;
    QTest::newRow("logout, no question") << QByteArray("1") << 1 << no << false << true;
}

void TestMainWindow::closing()
{
    QFETCH(QByteArray, dontAsk);
    QFETCH(int, how);
    QFETCH(int, answer);
    QFETCH(bool, asked);
    QFETCH(bool, closes);
    Harness h("Don't%20Ask%20Confirmation=" + dontAsk + "\n");
    QVERIFY(h.load());
    QSignalSpy closed(h.w.get(), &MainWindow::closed);
    const auto seen = answerNextMessageBox(QMessageBox::StandardButton(answer));
    if (how == 0)
        h.w->runCommand(QStringLiteral("exit"));
    else
        QCOMPARE(h.w->endSession([how] { return how == 1; }), closes);
    QApplication::processEvents(); // an unused answer must find no box
    QCOMPARE(*seen, asked ? QStringLiteral("Quorvel|Do you want really exit?") : QString());
    QCOMPARE(closed.count(), closes ? 1 : 0);
    QCOMPARE(h.w->isVisible(), !closes);
    QCOMPARE(h.journal.contains("delete"), closes); // closing took the icon away
}

void TestMainWindow::exitChosenInTrayMenu()
{
    // The tray icon goes away while its own menu is still handling the
    // choice; that must neither crash nor leave the icon behind.
    Harness h("Don't%20Ask%20Confirmation=1\n");
    QVERIFY(h.load());
    QSignalSpy closed(h.w.get(), &MainWindow::closed);
    QPointer<QMenu> menu = h.shell->menu;
    menu->popup(QPoint(10, 10));
    QVERIFY(QTest::qWaitForWindowExposed(menu));
    QTest::keyClick(menu, Qt::Key_Up); // wraps to the last entry, "&Exit"
    QCOMPARE(menu->activeAction()->text(), QStringLiteral("&Exit"));
    QTest::keyClick(menu, Qt::Key_Return);
    QCOMPARE(closed.count(), 1);
    QVERIFY(h.journal.contains("delete"));
    QTRY_VERIFY(menu.isNull()); // the icon object and its menu are gone
}

void TestMainWindow::refreshEndingAfterClose()
{
    Harness h("Don't%20Ask%20Confirmation=1\n");
    QVERIFY(h.load());
    h.source->autoFinish = false;
    h.w->refreshAddresses();
    h.w->quitWithoutQuestion();
    QVERIFY(h.journal.contains("delete"));
    QSignalSpy done(h.w.get(), &MainWindow::refreshFinished);
    h.source->finish(); // must not touch the tray that is gone
    QCOMPARE(done.count(), 0);
}

QTEST_MAIN(TestMainWindow)
#include "TestMainWindow.moc"
