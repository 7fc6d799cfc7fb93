#include "FakeAddressSource.h"
#include "PageServer.h"
#include "RecordingTrayShell.h"
#include "SettingsKeys.h"
#include "SettingsStore.h"
#include "TestEnvironment.h"
#include "frmQuorvel.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
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

using app::frmQuorvel;
namespace keys = settings::keys;

namespace {

const QString kIp = QStringLiteral("203.0.113.7");

// One window with scripted addresses and a recording tray, in settings of
// its own.
struct Harness
{
    TestEnvironment env;
    FakeAddressSource *source = new FakeAddressSource;
    RecordingTrayShell *shell = new RecordingTrayShell;
    std::unique_ptr<frmQuorvel> w;

    explicit Harness(const QByteArray &settingsFile = QByteArray())
    {
        if (!settingsFile.isNull())
            env.writeSettingsFile("[Settings]\n" + settingsFile);
        // Nothing may leave the machine: the home page is a closed port.
        settings::SettingsStore().SaveSetting(keys::HomePage,
                                              QStringLiteral("http://127.0.0.1:9/"));
        source->script = {FakeAddressSource::snapshot(kIp)};
        w = std::make_unique<frmQuorvel>(frmQuorvel::Services{source, shell});
    }
    // Runs the load step and waits for its refresh.
    bool load()
    {
        QSignalSpy done(w.get(), &frmQuorvel::refreshFinished);
        w->Form_Load();
        return done.count() > 0 || done.wait(3000);
    }
    bool refreshByButton()
    {
        QSignalSpy done(w.get(), &frmQuorvel::refreshFinished);
        QTest::mouseClick(button("cmdRefresh"), Qt::LeftButton);
        return done.wait(3000);
    }
    bool tick()
    {
        QSignalSpy done(w.get(), &frmQuorvel::refreshFinished);
        w->tmrRefreshIP_Timer();
        return done.wait(200);
    }
    template <typename T> T *find(const char *name) const
    {
        return w->findChild<T *>(QString::fromLatin1(name));
    }
    QPushButton *button(const char *name) const { return find<QPushButton>(name); }
    QString setting(QLatin1StringView key) const
    {
        return settings::SettingsStore().GetSetting(key, QStringLiteral("<absent>")).value();
    }
};

// Answers the next modal message box with the given button.
void answerNextMessageBox(QMessageBox::StandardButton answer, QString *seenText = nullptr,
                          QString *seenTitle = nullptr)
{
    QTimer::singleShot(0, [=] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        if (seenText)
            *seenText = box->text();
        if (seenTitle)
            *seenTitle = box->windowTitle();
        box->button(answer)->click();
    });
}

QStringList actionTexts(const QMenu *menu)
{
    QStringList out;
    for (const QAction *a : menu->actions())
        out << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return out;
}

} // namespace

class TestFrmQuorvel : public QObject
{
    Q_OBJECT
private slots:
    void controlsCarryTheirNamesAndCaptions();
    void firstStartWithNoSettings();
    void windowShowsOnlyAfterFirstRefresh();
    void startMinimized_data();
    void startMinimized();
    void storedTimerSettings_data();
    void storedTimerSettings();
    void timerCountsMinutes();
    void checkBoxAndListWriteBack();
    void buttonRefreshBalloons();
    void changeDetectionOnTimerPath();
    void noBalloonsWhenSwitchedOff_data();
    void noBalloonsWhenSwitchedOff();
    void homePageLoadedOnChange();
    void refreshesNeverOverlap();
    void hostNameFailureIsShownOnce();
    void clickSelectsWholeAddress();
    void menus();
    void dispatcher();
    void closing_data();
    void closing();
    void okHidesIntoTheTray();
    void exitChosenInTrayMenu();
    void refreshEndingAfterClose();
};

void TestFrmQuorvel::controlsCarryTheirNamesAndCaptions()
{
    Harness h;
    QCOMPARE(h.w->objectName(), QStringLiteral("frmQuorvel"));
    QCOMPARE(h.w->windowTitle(), QStringLiteral("Quorvel"));
    // Every captioned control, found by its name, with its caption.
    const QList<QPair<const char *, QString>> captions{
        {"Frame1", "IP Address"},
        {"Label1", "Host Name:"},
        {"Label2", "IP Internet:"},
        {"Label3", "LAN IP Address:"},
        {"cmdMACAddress", "MAC Address..."},
        {"chkRefreshIP", "Timer refresh IP Address every"},
        {"cmdOK", "OK"},
        {"cmdBrowser", "Anonymous Surfing..."},
        {"cmdRefresh", "Refresh IP"}};
    for (const auto &[name, caption] : captions) {
        QObject *o = h.w->findChild<QObject *>(QString::fromLatin1(name));
        QVERIFY2(o, name);
        const char *property = o->inherits("QGroupBox") ? "title" : "text";
        QCOMPARE(o->property(property).toString(), caption);
    }
    for (const char *name : {"txtHostName", "txtIPInternet"})
        QVERIFY2(h.find<QLineEdit>(name), name);
    QVERIFY(h.find<QPlainTextEdit>("txtLAN"));
    QCOMPARE(h.find<QLabel>("Label1")->buddy(), h.find<QLineEdit>("txtHostName"));
    auto *list = h.find<QComboBox>("cmbRefreshIPInterval");
    QStringList entries;
    for (int i = 0; i < list->count(); ++i)
        entries << list->itemText(i);
    QCOMPARE(entries,
             (QStringList{"1 min.", "5 min.", "10 min.", "15 min.", "20 min.", "25 min.", "30 min.",
                          "35 min.", "40 min.", "45 min.", "50 min.", "55 min.", "60 min."}));
    auto *timer = h.find<QTimer>("tmrRefreshIP");
    QVERIFY(timer && timer->interval() == 60000 && !timer->isActive());
}

void TestFrmQuorvel::firstStartWithNoSettings()
{
    Harness h;
    QVERIFY(h.load());
    QVERIFY(!h.find<QCheckBox>("chkRefreshIP")->isChecked());
    QVERIFY(!h.find<QTimer>("tmrRefreshIP")->isActive());
    QCOMPARE(h.find<QComboBox>("cmbRefreshIPInterval")->currentText(), QStringLiteral("1 min."));
    // The list selection writes its two keys back; the check box was not
    // touched, so its key is not created.
    QCOMPARE(h.setting(keys::RefreshIPIntervalMin), QStringLiteral("1"));
    QCOMPARE(h.setting(keys::RefreshIP), QStringLiteral("<absent>"));

    QCOMPARE(h.find<QLineEdit>("txtHostName")->text(), QStringLiteral("testhost"));
    QCOMPARE(h.find<QLineEdit>("txtIPInternet")->text(), kIp);
    QCOMPARE(h.w->GetInfoText(), QStringLiteral("Host Name: testhost\r\nIP Internet: ") + kIp +
                                     QStringLiteral("\r\nLAN IP Address: \r\n192.0.2.5\r\n"));
    // The first refresh of a run is always announced.
    QCOMPARE(h.shell->balloons.size(), 1);
    QCOMPARE(h.shell->balloons[0].text, QStringLiteral("IP Internet changed. ") + kIp);
    QCOMPARE(h.shell->balloons[0].title, QStringLiteral("Quorvel"));
    QCOMPARE(h.shell->balloons[0].icon, 1);
    QCOMPARE(h.shell->balloons[0].timeoutMs, 30000);
    QCOMPARE(h.shell->tip, h.w->GetInfoText().left(127));
    QVERIFY(h.w->isVisible());
    QCOMPARE(h.source->hosts, QStringList{QStringLiteral(QUORVEL_IP_SERVICE_HOST)});
}

void TestFrmQuorvel::windowShowsOnlyAfterFirstRefresh()
{
    Harness h;
    h.source->autoFinish = false;
    h.w->Form_Load();
    QVERIFY(h.shell->iconShown);
    // The tray is up with the three empty values while the refresh runs.
    QCOMPARE(h.shell->tip, QStringLiteral("Host Name: \r\nIP Internet: \r\nLAN IP Address: \r\n"));
    QTest::qWait(50);
    QVERIFY(!h.w->isVisible());
    h.source->finish();
    QVERIFY(h.w->isVisible());
}

void TestFrmQuorvel::startMinimized_data()
{
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<bool>("trayAvailable");
    QTest::addColumn<bool>("visible");

    QTest::newRow("1, with tray: icon only") << QByteArray("1") << true << false;
    QTest::newRow("1, no tray: task bar") << QByteArray("1") << false << true;
    QTest::newRow("2 is not on") << QByteArray("2") << true << true;
}

void TestFrmQuorvel::startMinimized()
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
    QVERIFY(h.shell->iconShown);

    // The tray's double click brings the window back, whatever hid it.
    h.shell->click(0x203);
    QVERIFY(h.w->isVisible());
    QVERIFY(!h.w->isMinimized());
}

void TestFrmQuorvel::storedTimerSettings_data()
{
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<bool>("ticked");
    QTest::addColumn<int>("listIndex");
    QTest::addColumn<int>("minutes");
    QTest::addColumn<QString>("intervalAfter");
    QTest::addColumn<QString>("minutesAfter");

    // The list selection writes the entry's minutes before they are read.
    QTest::newRow("timer on, 15 min.")
        << QByteArray(
               "Refresh%20IP=1\nRefresh%20IP%20Interval=3\nRefresh%20IP%20Interval%20Min=99\n")
        << true << 3 << 15 << "3"
        << "15";
    QTest::newRow("damaged minutes repaired by the list")
        << QByteArray("Refresh%20IP%20Interval=1\nRefresh%20IP%20Interval%20Min=abc\n") << false
        << 1 << 5 << "1"
        << "5";
    // Damaged values are skipped: no entry chosen, nothing written back.
    QTest::newRow("damaged position and flag")
        << QByteArray("Refresh%20IP=abc\nRefresh%20IP%20Interval=abc\n"
                      "Refresh%20IP%20Interval%20Min=20\n")
        << false << -1 << 20 << "abc"
        << "20";
    QTest::newRow("position out of range")
        << QByteArray("Refresh%20IP%20Interval=13\n") << false << -1 << 1 << "13"
        << "<absent>";
    QTest::newRow("grayed flag is not on")
        << QByteArray("Refresh%20IP=2\n") << false << 0 << 1 << "0"
        << "1";
}

void TestFrmQuorvel::storedTimerSettings()
{
    QFETCH(QByteArray, stored);
    QFETCH(bool, ticked);
    QFETCH(int, listIndex);
    QFETCH(int, minutes);
    QFETCH(QString, intervalAfter);
    QFETCH(QString, minutesAfter);
    Harness h(stored);
    QVERIFY(h.load());
    QCOMPARE(h.find<QCheckBox>("chkRefreshIP")->isChecked(), ticked);
    QCOMPARE(h.find<QTimer>("tmrRefreshIP")->isActive(), ticked);
    QCOMPARE(h.find<QComboBox>("cmbRefreshIPInterval")->currentIndex(), listIndex);
    QCOMPARE(h.w->refreshMinutes(), qint16(minutes));
    QCOMPARE(h.setting(keys::RefreshIPInterval), intervalAfter);
    QCOMPARE(h.setting(keys::RefreshIPIntervalMin), minutesAfter);
}

void TestFrmQuorvel::timerCountsMinutes()
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
    h.find<QComboBox>("cmbRefreshIPInterval")->setCurrentIndex(0);
    QCOMPARE(h.w->minutesElapsed(), qint16(3));
    QVERIFY(h.tick());
    QCOMPARE(h.source->starts(), 3);
    QCOMPARE(h.setting(keys::RefreshIPInterval), QStringLiteral("0"));
    QCOMPARE(h.setting(keys::RefreshIPIntervalMin), QStringLiteral("1"));
}

void TestFrmQuorvel::checkBoxAndListWriteBack()
{
    Harness h;
    QVERIFY(h.load());
    auto *box = h.find<QCheckBox>("chkRefreshIP");
    auto *timer = h.find<QTimer>("tmrRefreshIP");
    h.w->tmrRefreshIP_Timer(); // a minute counted before the box is ticked
    QTest::mouseClick(box, Qt::LeftButton);
    QVERIFY(timer->isActive());
    QCOMPARE(h.w->minutesElapsed(), qint16(0)); // ticking starts the count afresh
    QCOMPARE(h.setting(keys::RefreshIP), QStringLiteral("1"));
    QTest::mouseClick(box, Qt::LeftButton);
    QVERIFY(!timer->isActive());
    QCOMPARE(h.setting(keys::RefreshIP), QStringLiteral("0"));
    h.find<QComboBox>("cmbRefreshIPInterval")->setCurrentIndex(12);
    QCOMPARE(h.w->refreshMinutes(), qint16(60));
    QCOMPARE(h.setting(keys::RefreshIPIntervalMin), QStringLiteral("60"));
}

void TestFrmQuorvel::buttonRefreshBalloons()
{
    Harness h;
    h.source->script = {FakeAddressSource::snapshot(kIp), FakeAddressSource::snapshot(kIp),
                        FakeAddressSource::snapshot("198.51.100.1")};
    QVERIFY(h.load());
    h.shell->balloons.clear();

    QVERIFY(h.refreshByButton());
    QCOMPARE(h.shell->balloonTexts(),
             (QStringList{"IP Refresh, please wait...", "IP Refresh finish."}));
    h.shell->balloons.clear();

    QVERIFY(h.refreshByButton());
    QCOMPARE(h.shell->balloonTexts(),
             (QStringList{"IP Refresh, please wait...", "IP Internet changed. 198.51.100.1"}));
    QCOMPARE(h.w->lastIPInternet(), QStringLiteral("198.51.100.1"));
    QVERIFY(h.shell->tip.contains("IP Internet: 198.51.100.1"));
}

void TestFrmQuorvel::changeDetectionOnTimerPath()
{
    Harness h;
    const QString lost = QStringLiteral("(unable to access Internet)");
    h.source->script = {FakeAddressSource::snapshot(kIp), FakeAddressSource::snapshot(kIp),
                        FakeAddressSource::snapshot(lost), FakeAddressSource::snapshot(lost),
                        FakeAddressSource::snapshot(kIp)};
    QVERIFY(h.load());
    QCOMPARE(h.shell->balloonTexts(), QStringList{"IP Internet changed. " + kIp});
    h.shell->balloons.clear();
    for (int i = 0; i < 4; ++i)
        QVERIFY(h.tick()); // interval 1: every tick refreshes
    // The same address says nothing; losing and regaining it are changes.
    QCOMPARE(h.shell->balloonTexts(),
             (QStringList{"IP Internet changed. " + lost, "IP Internet changed. " + kIp}));
    QVERIFY(h.shell->tip.contains(kIp));
}

void TestFrmQuorvel::noBalloonsWhenSwitchedOff_data()
{
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<bool>("balloons");
    QTest::newRow("1") << QByteArray("1") << false;
    QTest::newRow("2 counts as on") << QByteArray("2") << false;
    QTest::newRow("-1 counts as on") << QByteArray("-1") << false;
    QTest::newRow("0") << QByteArray("0") << true;
}

void TestFrmQuorvel::noBalloonsWhenSwitchedOff()
{
    QFETCH(QByteArray, value);
    QFETCH(bool, balloons);
    Harness h("Don't%20Show%20Balloon=" + value + "\n");
    h.source->script = {FakeAddressSource::snapshot(kIp), FakeAddressSource::snapshot("x")};
    QVERIFY(h.load());
    QVERIFY(h.refreshByButton());
    QCOMPARE(h.shell->balloons.isEmpty(), !balloons);
    QCOMPARE(h.w->lastIPInternet(), QStringLiteral("x")); // the change was still taken
}

void TestFrmQuorvel::homePageLoadedOnChange()
{
    PageServer home;
    QVERIFY2(home.start(), qPrintable(home.errorString()));
    Harness h("Don't%20Show%20Balloon=1\n");
    settings::SettingsStore().SaveSetting(keys::HomePage, home.url("/home"));
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

void TestFrmQuorvel::refreshesNeverOverlap()
{
    Harness h("Refresh%20IP=1\n");
    QVERIFY(h.load());
    h.source->autoFinish = false;
    QTest::mouseClick(h.button("cmdRefresh"), Qt::LeftButton);
    QCOMPARE(h.source->starts(), 2);
    QVERIFY(h.w->isRefreshing());
    QVERIFY(!h.button("cmdRefresh")->isEnabled());

    // A minute falls due meanwhile: it waits for the running refresh.
    h.w->tmrRefreshIP_Timer();
    h.w->tmrRefreshIP_Timer();
    QCOMPARE(h.source->starts(), 2);
    QSignalSpy done(h.w.get(), &frmQuorvel::refreshFinished);
    h.source->finish();
    QCOMPARE(done.count(), 1);
    QCOMPARE(h.source->starts(), 3); // the one timed refresh that was due
    h.source->finish();
    QCOMPARE(h.source->starts(), 3);
    QVERIFY(h.button("cmdRefresh")->isEnabled());
}

void TestFrmQuorvel::hostNameFailureIsShownOnce()
{
    Harness h;
    auto failing = FakeAddressSource::snapshot(kIp, QString(), QString());
    failing.messages = {QStringLiteral("Windows Sockets error 36 has occurred.  "
                                       "Unable to successfully get Host Name.")};
    h.source->script = {failing};
    QVERIFY(h.load());
    QVERIFY(h.tick());
    QList<QMessageBox *> boxes;
    for (QMessageBox *b : h.w->findChildren<QMessageBox *>())
        if (b->isVisible())
            boxes << b;
    QCOMPARE(boxes.size(), 1);
    QCOMPARE(boxes[0]->text(), failing.messages[0]);
    QCOMPARE(boxes[0]->windowTitle(), QStringLiteral("Quorvel"));
    QCOMPARE(h.find<QLineEdit>("txtHostName")->text(), QString());
    // The refresh went on regardless.
    QCOMPARE(h.find<QLineEdit>("txtIPInternet")->text(), kIp);
    boxes[0]->close();
}

void TestFrmQuorvel::clickSelectsWholeAddress()
{
    Harness h;
    h.source->script = {FakeAddressSource::snapshot(kIp, "192.0.2.5\r\n", QString())};
    QVERIFY(h.load());
    auto *ip = h.find<QLineEdit>("txtIPInternet");
    QTest::mouseClick(ip, Qt::LeftButton, {}, QPoint(5, ip->height() / 2));
    QCOMPARE(ip->selectedText(), kIp);
    auto *host = h.find<QLineEdit>("txtHostName");
    QTest::mouseClick(host, Qt::LeftButton, {}, QPoint(5, host->height() / 2));
    QCOMPARE(host->selectedText(), QString());
}

void TestFrmQuorvel::menus()
{
    Harness h;
    QVERIFY(h.load());
    auto *menu = h.w->menuBar()->findChild<QMenu *>("mnuMenu");
    QVERIFY(menu);
    QCOMPARE(menu->title(), QStringLiteral("&Menu"));
    QCOMPARE(actionTexts(menu),
             (QStringList{"&Internet Connect State...", "-", "Anonymous &Surfing...", "-",
                          "Send Me E-Mail when IP &Changes...", "-",
                          "&Resolve Domain/Web Address to IP Address...", "&Ping by IP Address...",
                          "&Trace Route...", "-", "Pre&ferences...", "-", "&Visit Web Page...",
                          "&About...", "-", "&Exit"}));
    QCOMPARE(h.w->findChildren<QAction *>("mnuMenuItem").size(), 16);

    QMenu *trayMenu = h.shell->menu;
    QVERIFY(trayMenu);
    QCOMPARE(actionTexts(trayMenu),
             (QStringList{"&Open Quorvel", "-", "&Internet Connect State...", "-",
                          "&Anonymus &Surfing...", "-", "Send Me E-Mail when IP &Changes...", "-",
                          "&Resolve Domain/Web Address to IP Address...", "&Ping by IP Address...",
                          "&Trace Route...", "-", "Pre&ferences...", "-", "&Visit Web Page...",
                          "&About...", "-", "&Exit"}));
    QCOMPARE(trayMenu->defaultAction(), trayMenu->actions().first());
    QCOMPARE(h.w->sysTray()->DefaultMenuIndex(), 0L);
    // Commands without a window yet are greyed out, the working ones not.
    for (QMenu *m : {menu, trayMenu}) {
        for (QAction *a : m->actions()) {
            if (a->isSeparator())
                continue;
            const bool works = a->text() == "&Open Quorvel" || a->text() == "&Exit" ||
                               a->text() == "&Visit Web Page...";
            QVERIFY2(a->isEnabled() == works, qPrintable(a->text()));
        }
    }
    // A right click on the icon asks for the menu; a left click does not.
    h.shell->calls.clear();
    h.shell->click(0x202);
    QVERIFY(!h.shell->calls.contains("popup"));
    h.shell->click(0x204);
    QCOMPARE(h.shell->calls, QStringList{"popup"});
}

class UrlRecorder : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl &url) { urls << url; }
};

void TestFrmQuorvel::dispatcher()
{
    Harness h;
    QVERIFY(h.load());
    UrlRecorder browser;
    QDesktopServices::setUrlHandler(QStringLiteral("http"), &browser, "open");

    h.w->hide();
    // "web" works from the tray with the window hidden.
    h.shell->menu->actions().at(14)->trigger();
    QCOMPARE(browser.urls, QList<QUrl>{QUrl("http://127.0.0.1:9/")});
    QVERIFY(!h.w->isVisible());

    h.shell->menu->actions().at(0)->trigger(); // "open"
    QVERIFY(h.w->isVisible());

    // Keys without a window, and unknown keys, do nothing at all.
    for (const char *key : {"state", "ping", "nonsense", "", "OPEN"})
        h.w->m_frmSysTray_MenuClick(0, QString::fromLatin1(key));
    QVERIFY(QApplication::activeModalWidget() == nullptr);

    // The main menu reaches the same dispatcher by its own indexes.
    h.w->mnuMenuItem_Click(12);
    QCOMPARE(browser.urls.size(), 2);
    h.w->mnuMenuItem_Click(11); // a separator
    h.w->mnuMenuItem_Click(99);
    QCOMPARE(browser.urls.size(), 2);
    QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
}

void TestFrmQuorvel::closing_data()
{
    QTest::addColumn<QByteArray>("dontAsk");
    QTest::addColumn<int>("answer"); // to the question, when it comes
    QTest::addColumn<bool>("closes");

    QTest::newRow("asked, No keeps it running") << QByteArray("0") << int(QMessageBox::No) << false;
    QTest::newRow("asked, Yes closes") << QByteArray("0") << int(QMessageBox::Yes) << true;
    QTest::newRow("1: no question") << QByteArray("1") << int(QMessageBox::No) << true;
    QTest::newRow("2 counts as on") << QByteArray("2") << int(QMessageBox::No) << true;
}

void TestFrmQuorvel::closing()
{
    QFETCH(QByteArray, dontAsk);
    QFETCH(int, answer);
    QFETCH(bool, closes);
    Harness h("Don't%20Ask%20Confirmation=" + dontAsk + "\n");
    QVERIFY(h.load());
    QSignalSpy closed(h.w.get(), &frmQuorvel::closed);
    QString text, title;
    answerNextMessageBox(QMessageBox::StandardButton(answer), &text, &title);
    h.w->m_frmSysTray_MenuClick(17, QStringLiteral("exit"));
    if (dontAsk == "0") {
        QCOMPARE(text, QStringLiteral("Do you want really exit?"));
        QCOMPARE(title, QStringLiteral("Quorvel"));
    } else {
        QCOMPARE(text, QString());
        QApplication::processEvents(); // the unused answer must find no box
    }
    QCOMPARE(closed.count(), closes ? 1 : 0);
    QCOMPARE(h.w->isVisible(), !closes);
    QCOMPARE(h.shell->iconShown, !closes); // closing took the icon away
}

void TestFrmQuorvel::okHidesIntoTheTray()
{
    Harness h;
    QVERIFY(h.load());
    QTest::mouseClick(h.button("cmdOK"), Qt::LeftButton);
    QTRY_VERIFY(!h.w->isVisible());
    h.shell->click(0x206); // a right double click restores too
    QVERIFY(h.w->isVisible() && !h.w->isMinimized());

    // Without a tray the window stays in the task bar instead.
    h.shell->available = false;
    QTest::mouseClick(h.button("cmdOK"), Qt::LeftButton);
    QTest::qWait(50);
    QVERIFY(h.w->isVisible() && h.w->isMinimized());
}

void TestFrmQuorvel::exitChosenInTrayMenu()
{
    // The tray component goes away while its own menu is still handling the
    // choice; that must neither crash nor leave the icon behind.
    Harness h("Don't%20Ask%20Confirmation=1\n");
    QVERIFY(h.load());
    QSignalSpy closed(h.w.get(), &frmQuorvel::closed);
    QPointer<QMenu> menu = h.shell->menu;
    menu->popup(QPoint(10, 10));
    QVERIFY(QTest::qWaitForWindowExposed(menu));
    QTest::keyClick(menu, Qt::Key_Up); // wraps to the last entry, "&Exit"
    QCOMPARE(menu->activeAction()->text(), QStringLiteral("&Exit"));
    QTest::keyClick(menu, Qt::Key_Return);
    QCOMPARE(closed.count(), 1);
    QVERIFY(!h.shell->iconShown);
    QTRY_VERIFY(menu.isNull()); // the component and its menu are gone
}

void TestFrmQuorvel::refreshEndingAfterClose()
{
    Harness h("Don't%20Ask%20Confirmation=1\n");
    QVERIFY(h.load());
    h.source->autoFinish = false;
    h.w->RefreshIP();
    h.w->close();
    QSignalSpy done(h.w.get(), &frmQuorvel::refreshFinished);
    h.source->finish(); // must not touch the tray that is gone
    QCOMPARE(done.count(), 0);
}

QTEST_MAIN(TestFrmQuorvel)
#include "TestFrmQuorvel.moc"
